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
// descriptor: an anonymous in-memory file, not a fmemopen() buffer.
std::FILE* InMemoryFile(const std::uint8_t* data, std::size_t size)
{
    const int fd = memfd_create("nef_fuzzer", MFD_CLOEXEC);
    if (fd < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, data + written, size - written);
        if (n <= 0) {
            std::perror("write");
            std::abort();
        }
        written += static_cast<std::size_t>(n);
    }
    std::FILE* file = fdopen(fd, "rb");
    if (!file) {
        std::perror("fdopen");
        std::abort();
    }
    return file;
}

NefOutcome Read(const std::uint8_t* data, std::size_t size, NefReadout& readout)
{
    BoundedStream stream;
    if (stream.Attach(InMemoryFile(data, size)) != OpenResult::kOk)
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

    if (!outcome) {
        Expect(std::strlen(outcome.Reason()) > 0, "a failure without a reason");
        Expect(r.m_mechanicalCount == 0 && r.m_electronicCount == 0 && r.m_totalCount == 0,
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
}

bool SameReadout(const NefReadout& a, const NefReadout& b)
{
    return a.m_camera == b.m_camera && a.m_shootingDate == b.m_shootingDate &&
           a.m_mechanicalCount == b.m_mechanicalCount &&
           a.m_electronicCount == b.m_electronicCount && a.m_totalCount == b.m_totalCount;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    NefReadout fresh;
    const NefOutcome outcome = Read(data, size, fresh);
    CheckReadout(outcome, fresh);

    // A readout reused from the previous input must come out exactly as a
    // fresh one: nothing of an earlier file may survive into this one.
    static NefReadout reused;
    const NefOutcome again = Read(data, size, reused);
    Expect(again.Succeeded() == outcome.Succeeded() &&
               std::strcmp(again.Reason(), outcome.Reason()) == 0,
           "the same input gave another outcome");
    Expect(SameReadout(fresh, reused), "a reused readout differs from a fresh one");
    return 0;
}
