#include "listed_reads.h"

#include <algorithm>
#include <thread>

#include "camera_file.h"
#include "descriptors.h"

namespace {

// The step for one path. It depends on no other path, so that several can
// be in flight while their results are still written in list order.
FileResult ReadListed(const ListedPath& listed, bool recursive)
{
    FileResult result;
    if (!listed.problem.empty()) {
        result.reason = listed.problem;
        return result;
    }
    // Each thread reads file after file into a readout of its own, whose
    // tables and texts keep their memory from one file to the next; the
    // result takes only what is written out, so one waiting its turn
    // holds no tables.
    thread_local NefReadout read;
    const auto started = std::chrono::steady_clock::now();
    const NefOutcome outcome = ReadCameraFile(listed.path, read, result.reason);
    result.took = std::chrono::steady_clock::now() - started;
    if (!outcome) {
        if (outcome.Problem() == NefProblem::kFolder && !recursive)
            result.reason += " (use -r to read the files in it)";
    }
    CopyReadoutWithoutTables(read, result.readout);
    return result;
}

}  // namespace

// Threads rather than read-ahead hints: a hint can only fetch the first
// pages of a file already opened, while a thread also overlaps the open,
// the look-up of the file's size and the reads that depend on what the
// first read found. Measured on 5000 files read cold, first 4 KiB each:
// open and hint 16 files ahead of the read, 0.13 to 0.22 s; 16 threads,
// 0.08 to 0.11 s, the device's own pace. io_uring would chain those
// dependent steps by hand, and exists on Linux alone.
//
// Files served from memory gain from one read per core in flight (their
// reads are work for the processor), the run's own thread reading besides
// writing; files that wait on the storage gain from many in flight. So a
// run starts with one per core and adds the rest once reads are seen to
// wait; on a single core it reads one file at a time until then.
ListedReads::ListedReads(const std::vector<ListedPath>& files, bool recursive, InFlight inFlight)
    : m_files(files), m_recursive(recursive), m_fixed(inFlight.fromTheStart)
{
    if (files.size() < 2 || inFlight.count < 2)
        return;
    // Each file in flight holds a descriptor. A pipe's worth is left for
    // whatever the runtime opens meanwhile (the sanitizers' checks do).
    const std::size_t free = FreeDescriptors(inFlight.count + kSpareDescriptors);
    m_mostInFlight = free > kSpareDescriptors ? std::min(inFlight.count, free - kSpareDescriptors) : 0;
    if (m_mostInFlight < 2)
        return;
    ReadAhead(m_fixed ? m_mostInFlight : std::thread::hardware_concurrency());
}

void ListedReads::ReadAhead(std::size_t inFlight)
{
    inFlight = std::min(inFlight, m_mostInFlight);
    if (m_ahead) {
        m_ahead->Grow(inFlight);
        return;
    }
    if (inFlight < 2 || m_files.size() - m_next < 2)
        return;
    m_aheadFrom = m_next;
    // Room for results to wait their turn while the output is written, and
    // for wake-ups in batches. Should no thread be had, this thread reads
    // one file after another, as ever.
    m_ahead = std::make_unique<OrderedWork<FileResult>>(
        m_files.size() - m_aheadFrom, inFlight, std::max(kLeastResultsHeld, m_mostInFlight * kResultsPerFileInFlight),
        [this](std::size_t i) { return ReadListed(m_files[m_aheadFrom + i], m_recursive); });
}

FileResult ListedReads::Next()
{
    FileResult result = m_ahead ? m_ahead->Take() : ReadListed(m_files[m_next], m_recursive);
    ++m_next;
    if (!m_fixed && !m_storageSeen && m_waits.Record(result.took)) {
        m_storageSeen = true;
        ReadAhead(m_mostInFlight);
    }
    return result;
}

void ListedReads::Stop()
{
    if (m_ahead)
        m_ahead->Stop();
}
