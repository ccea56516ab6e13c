// Read-only access to one file in which every read names its position and
// length and is checked against the file's size before anything is touched.
// A small window of the file is kept in memory so that neighbouring reads
// (a directory and the texts stored right behind it) cost one system call.
// The file is opened once and judged by what the open descriptor is, so
// nothing can be swapped in between a look-up and the open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

enum class ReadResult {
    kOk,
    kOutOfRange,  // the bytes asked for are not all inside the file
    kIoError,     // the file could not deliver bytes it should hold
};

enum class OpenResult {
    kOk,
    kCannotOpen,         // for a cause none of the values below names
    kNotAFile,           // a device, pipe or socket
    kFolder,
    kNoSuchFile,         // the file or a folder on its path does not exist
    kPermissionDenied,
    kPathTooLong,
    kInUse,              // another program holds it without sharing (Windows)
    kTooManyOpenFiles,   // the process or the system ran out of descriptors
    kLinkLoop,           // symbolic links (or reparse points) that lead round in a loop
    kNetworkUnavailable, // the share or server holding the file cannot be reached
    kUnreadable,         // the device failed (an input/output error)
};

class BoundedStream {
public:
    BoundedStream() = default;
    ~BoundedStream();
    BoundedStream(const BoundedStream&) = delete;
    BoundedStream& operator=(const BoundedStream&) = delete;

    // Opens `path` for reading without waiting: a pipe or device named like
    // a camera file is refused, never waited on.
    OpenResult Open(const char* path);
#ifdef _WIN32
    OpenResult Open(const wchar_t* path);
#endif
    // Takes over a stream opened for binary reading elsewhere (a test's
    // in-memory file, say); it is closed with this object. Reads go to its
    // descriptor, past the stream's own buffer.
    OpenResult Attach(std::FILE* file);

    // Bytes from the origin to the end of the readable part.
    std::uint64_t Size() const { return m_end - m_origin; }
    // Where the readable part starts, as a position in the whole file.
    std::uint64_t Origin() const { return m_origin; }

    // Narrows reading to `size` bytes at `origin` of the whole file, which
    // positions passed to ReadAt then count from: a TIFF structure embedded
    // in another container counts from its own header and must not reach
    // outside the segment that holds it. Fails when the part is not inside
    // the file.
    bool Restrict(std::uint64_t origin, std::uint64_t size);

    // Copies `length` bytes at `position` into `destination`, or fails
    // without touching the file when they do not all lie inside it.
    ReadResult ReadAt(std::uint64_t position, void* destination, std::size_t length);

    // Bytes actually fetched from the file so far (not counting repeats
    // served from the window).
    std::uint64_t BytesFetched() const { return m_bytesFetched; }

private:
    OpenResult Adopt(int descriptor, std::FILE* stream);
    void Close();
    bool Fetch(std::uint64_t absolute, std::size_t length);
    std::uint8_t* Window() { return m_spilled ? m_spill.data() : m_inline; }
    std::uint8_t* ResizeWindow(std::size_t keep, std::size_t size);

    int m_descriptor = -1;
    std::FILE* m_stream = nullptr;  // set when the descriptor came with a stream
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_origin = 0;
    std::uint64_t m_end = 0;
    // The window: m_windowSize bytes of the file at m_windowStart, held in
    // the object itself while they fit, as a camera file's reads all but
    // always do (an allocation and its zero fill cost about as much as
    // decoding the file), and on the heap beyond.
    static constexpr std::size_t kInlineWindowBytes = 8192;
    std::uint64_t m_windowStart = 0;
    std::size_t m_windowSize = 0;
    bool m_spilled = false;
    std::vector<std::uint8_t> m_spill;
    std::uint8_t m_inline[kInlineWindowBytes];
    std::uint64_t m_bytesFetched = 0;
};

// Narrows a stream, for as long as this object lives, to `size` bytes at
// `position` of its readable part, and restores the part it had when this
// object ends. Positions passed to ReadAt meanwhile count from `position`:
// a maker note kept as a record inside a larger block reads as a structure
// of its own and cannot reach past the record's end.
class StreamPart {
public:
    StreamPart(BoundedStream& stream, std::uint64_t position, std::uint64_t size);
    ~StreamPart();
    StreamPart(const StreamPart&) = delete;
    StreamPart& operator=(const StreamPart&) = delete;

    // False when the bytes asked for are not all inside the readable part;
    // the stream is left as it was then.
    bool Inside() const { return m_inside; }

private:
    BoundedStream& m_stream;
    std::uint64_t m_outerOrigin;
    std::uint64_t m_outerSize;
    bool m_inside;
};
