// libFuzzer entry point for the reader: each input becomes the whole file,
// read through the same stream class the front ends use. Besides the
// sanitizers' checks, the readout's own promises are checked and a broken
// one aborts, so that libFuzzer keeps the input as a crash.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bounded_stream.h"
#include "nef_readout.h"

namespace {

[[noreturn]] void Broken(const char* what)
{
    std::fprintf(stderr, "nef_fuzzer: broken promise: %s\n", what);
    std::abort();
}

void Expect(bool holds, const char* what)
{
    if (!holds)
        Broken(what);
}

// BoundedStream takes its size from fstat(), so the input needs a real file
// descriptor: an anonymous in-memory file, not a fmemopen() buffer. It is
// written once per input and each read gets a stream on a duplicate.
class InMemoryFile {
public:
    InMemoryFile(const std::uint8_t* data, std::size_t size) : m_fd(memfd_create("nef_fuzzer", MFD_CLOEXEC))
    {
        if (m_fd < 0)
            Fail("memfd_create");
        std::size_t written = 0;
        while (written < size) {
            const ssize_t n = write(m_fd, data + written, size - written);
            if (n <= 0)
                Fail("write");
            written += static_cast<std::size_t>(n);
        }
    }
    ~InMemoryFile() { close(m_fd); }
    InMemoryFile(const InMemoryFile&) = delete;
    InMemoryFile& operator=(const InMemoryFile&) = delete;

    // A path that opens the same file, for the reader's path-taking entry.
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

    // A new stream of its own, closed by whoever takes it.
    std::FILE* Stream() const
    {
        const int fd = dup(m_fd);
        std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "rb");
        if (!file)
            Fail("fdopen");
        return file;
    }

private:
    [[noreturn]] static void Fail(const char* call)
    {
        std::perror(call);
        std::abort();
    }

    int m_fd;
};

NefOutcome Read(const InMemoryFile& input, std::size_t size, NefReadout& readout)
{
    BoundedStream stream;
    if (stream.Attach(input.Stream()) != OpenResult::kOk)
        Broken("an in-memory file was refused");
    Expect(stream.Size() == size, "the stream's size differs from the input's");
    const NefOutcome outcome = ReadNefStream(stream, readout);
    // Every byte fetched comes from the file, and no single read asks for
    // more than the file holds; the reader touches a handful of places.
    Expect(stream.BytesFetched() <= 16 * static_cast<std::uint64_t>(size),
           "far more bytes fetched than the file could justify");
    return outcome;
}

void CheckReadout(const NefOutcome& outcome, const NefReadout& r)
{
    Expect(r.m_camera.size() <= kTextBufferBytes, "camera text longer than its buffer");
    Expect(r.m_shootingDate.size() <= kTextBufferBytes, "date text longer than its buffer");
    Expect(r.m_camera.find('\0') == std::string::npos, "camera text holds a zero byte");
    Expect(r.m_shootingDate.find('\0') == std::string::npos, "date text holds a zero byte");
    Expect(r.m_serialNumber.size() <= kTextBufferBytes, "serial number longer than its buffer");
    Expect(r.m_serialNumber.find('\0') == std::string::npos, "serial number holds a zero byte");

    if (!outcome) {
        Expect(std::strlen(outcome.Reason()) > 0, "a failure without a reason");
        Expect(r.m_mechanicalCount == 0 && r.m_electronicCount == 0 && r.m_totalCount == 0 &&
                   r.m_bMechanicalFound == 0,
               "counters left non-zero on a failure");
        return;
    }
    Expect(std::strlen(outcome.Reason()) == 0, "a success with a reason");
    // The counter rule in every case: electronic = total - mechanical,
    // wrapping as 32-bit numbers (no mechanical counter: mechanical = total).
    const std::uint32_t difference = static_cast<std::uint32_t>(r.m_totalCount) -
                                     static_cast<std::uint32_t>(r.m_mechanicalCount);
    Expect(static_cast<std::uint32_t>(r.m_electronicCount) == difference,
           "electronic count is not total minus mechanical");
    Expect(r.m_bMechanicalFound == 1 || (r.m_bMechanicalFound == 0 && r.m_mechanicalCount == r.m_totalCount),
           "no mechanical counter found, yet the mechanical count is not the total");
}

bool SameBlock(const IfdBlock& a, const IfdBlock& b)
{
    return a.m_entryCount == b.m_entryCount && a.m_entries.size() == b.m_entries.size() &&
           (a.m_entries.empty() ||
            std::memcmp(a.m_entries.data(), b.m_entries.data(), a.m_entries.size() * sizeof(TiffEntry)) == 0);
}

bool SameReadout(const NefReadout& a, const NefReadout& b)
{
    return a.m_camera == b.m_camera && a.m_shootingDate == b.m_shootingDate &&
           a.m_serialNumber == b.m_serialNumber && a.m_bMechanicalFound == b.m_bMechanicalFound &&
           a.m_mechanicalCount == b.m_mechanicalCount &&
           a.m_electronicCount == b.m_electronicCount && a.m_totalCount == b.m_totalCount &&
           SameBlock(a.m_ifd0, b.m_ifd0) && SameBlock(a.m_exifIfd, b.m_exifIfd) &&
           SameBlock(a.m_makerIfd, b.m_makerIfd);
}

// A readout as an earlier, fully read file leaves it: every field set.
NefReadout StaleReadout()
{
    NefReadout r;
    std::memset(r.m_header, 0xAB, sizeof r.m_header);
    TiffEntry entry{};
    entry.tag[1] = 0x37;
    entry.value[3] = 7;
    for (IfdBlock* block : {&r.m_ifd0, &r.m_exifIfd, &r.m_makerIfd}) {
        block->m_entries.assign(3, entry);
        block->m_entryCount = 3;
        block->m_scratch = entry;
    }
    r.m_mechanicalCount = 111;
    r.m_electronicCount = 222;
    r.m_totalCount = 333;
    r.m_shootingDate = "2001:01:01 01:01:01";
    r.m_camera = "STALE CAMERA";
    r.m_serialNumber = "STALE SERIAL";
    r.m_bMechanicalFound = 1;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const InMemoryFile input(data, size);
    NefReadout fresh;
    const NefOutcome outcome = Read(input, size, fresh);
    CheckReadout(outcome, fresh);

    // The path-taking entry the front ends use must agree with the stream one.
    NefReadout byPath;
    const NefOutcome opened = ReadNefFile(input.Path().c_str(), byPath);
    Expect(opened.Succeeded() == outcome.Succeeded() && std::strcmp(opened.Reason(), outcome.Reason()) == 0,
           "reading by path gave another outcome than reading the stream");
    Expect(SameReadout(fresh, byPath), "reading by path gave another readout than reading the stream");

    // A reused readout must come out exactly as a fresh one: nothing of an
    // earlier file may survive into this one. The reused readout has every
    // field set, so the check does not depend on which input came before.
    NefReadout stale = StaleReadout();
    const NefOutcome again = Read(input, size, stale);
    Expect(again.Succeeded() == outcome.Succeeded() && std::strcmp(again.Reason(), outcome.Reason()) == 0,
           "a reused readout gave another outcome");
    Expect(SameReadout(fresh, stale), "a readout filled by an earlier file differs from a fresh one");
    return 0;
}
