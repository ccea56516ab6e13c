#include "bounded_stream.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <cwchar>
#define TESSMAR_FSTAT _fstati64
#define TESSMAR_STAT_T struct _stati64
#define TESSMAR_FILENO _fileno
#else
#define TESSMAR_FSTAT fstat
#define TESSMAR_STAT_T struct stat
#define TESSMAR_FILENO fileno
#endif

namespace {

// Large enough for the header and a camera's first directory with the texts
// stored behind it, small enough that three fetches stay under 8 KiB.
constexpr std::size_t kWindowBytes = 2048;

bool IsRegularFile(const TESSMAR_STAT_T& st)
{
    // A regular file's size is never negative; the check keeps the
    // conversion to an unsigned size honest.
    return (st.st_mode & S_IFMT) == S_IFREG && st.st_size >= 0;
}

bool SeekTo(std::FILE* file, std::uint64_t position)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(position), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

}  // namespace

BoundedStream::~BoundedStream()
{
    if (m_file)
        std::fclose(m_file);
}

OpenResult BoundedStream::Open(const char* path)
{
    // Refuse folders, pipes and devices before opening: opening a pipe for
    // reading would wait for a writer that may never come.
    TESSMAR_STAT_T st{};
#ifdef _WIN32
    if (_stati64(path, &st) != 0)
        return OpenResult::kCannotOpen;
#else
    if (stat(path, &st) != 0)
        return OpenResult::kCannotOpen;
#endif
    if (!IsRegularFile(st))
        return OpenResult::kNotAFile;
    return OpenedHere(std::fopen(path, "rb"), static_cast<std::uint64_t>(st.st_size));
}

#ifdef _WIN32
OpenResult BoundedStream::Open(const wchar_t* path)
{
    TESSMAR_STAT_T st{};
    if (_wstati64(path, &st) != 0)
        return OpenResult::kCannotOpen;
    if (!IsRegularFile(st))
        return OpenResult::kNotAFile;
    return OpenedHere(_wfopen(path, L"rb"), static_cast<std::uint64_t>(st.st_size));
}
#endif

OpenResult BoundedStream::OpenedHere(std::FILE* file, std::uint64_t size)
{
    // The size comes from the look-up made before opening: asking again
    // would cost a system call per file. Should the file change in between,
    // reads past its new end fail as short reads.
    if (!file)
        return OpenResult::kCannotOpen;
    Adopt(file, size);
    m_filePosition = 0;  // opened here, so at its beginning
    return OpenResult::kOk;
}

OpenResult BoundedStream::Attach(std::FILE* file)
{
    if (!file)
        return OpenResult::kCannotOpen;
    TESSMAR_STAT_T st{};
    const bool known = TESSMAR_FSTAT(TESSMAR_FILENO(file), &st) == 0 && st.st_size >= 0;
    Adopt(file, known ? static_cast<std::uint64_t>(st.st_size) : 0);
    if (!known)
        return OpenResult::kCannotOpen;
    if (!IsRegularFile(st))
        return OpenResult::kNotAFile;
    m_filePosition = kUnknownPosition;  // a stream from elsewhere may be anywhere
    return OpenResult::kOk;
}

void BoundedStream::Adopt(std::FILE* file, std::uint64_t size)
{
    if (m_file)
        std::fclose(m_file);
    m_file = file;
    m_fileSize = size;
    m_origin = 0;
    m_end = size;
    m_window.clear();
    m_windowStart = 0;
    m_bytesFetched = 0;
    // The window is the only buffer: stdio's own would read more of the
    // file than is ever looked at.
    std::setvbuf(file, nullptr, _IONBF, 0);
}

bool BoundedStream::Restrict(std::uint64_t origin, std::uint64_t size)
{
    if (origin > m_fileSize || size > m_fileSize - origin)
        return false;
    m_origin = origin;
    m_end = origin + size;
    return true;
}

ReadResult BoundedStream::ReadAt(std::uint64_t position, void* destination, std::size_t length)
{
    if (!m_file)
        return ReadResult::kIoError;
    // Two comparisons, never a sum that could wrap.
    const std::uint64_t size = Size();
    if (position > size || length > size - position)
        return ReadResult::kOutOfRange;
    if (length == 0)
        return ReadResult::kOk;

    const std::uint64_t absolute = m_origin + position;
    const bool inWindow = absolute >= m_windowStart &&
                          absolute - m_windowStart <= m_window.size() &&
                          length <= m_window.size() - (absolute - m_windowStart);
    if (!inWindow && !Fetch(absolute, length))
        return ReadResult::kIoError;

    std::memcpy(destination, m_window.data() + (absolute - m_windowStart), length);
    return ReadResult::kOk;
}

bool BoundedStream::Fetch(std::uint64_t absolute, std::size_t length)
{
    // Bytes that begin inside the window or shortly behind it, while the
    // file stands at the window's end, are read on from there: no seek, and
    // nothing read twice. Otherwise the window moves to `absolute`.
    const std::uint64_t windowEnd = m_windowStart + m_window.size();
    const bool extend = !m_window.empty() && m_filePosition == windowEnd && absolute >= m_windowStart &&
                        absolute < windowEnd + kWindowBytes;
    const std::uint64_t from = extend ? windowEnd : absolute;
    const std::uint64_t missing = absolute + length - from;
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::max<std::uint64_t>(missing, kWindowBytes), m_fileSize - from));

    const std::size_t keep = extend ? m_window.size() : 0;
    if (!extend)
        m_windowStart = absolute;
    m_window.resize(keep + want);
    // A fetch that continues where the last one ended needs no seek.
    const bool positioned = m_filePosition == from || SeekTo(m_file, from);
    const bool ok = positioned && std::fread(m_window.data() + keep, 1, want, m_file) == want;
    m_filePosition = ok ? from + want : kUnknownPosition;
    if (!ok) {
        // A short read means the file shrank or failed under us: nothing
        // of it may be used.
        m_window.clear();
        return false;
    }
    m_bytesFetched += want;
    return true;
}

StreamPart::StreamPart(BoundedStream& stream, std::uint64_t position, std::uint64_t size)
    : m_stream(stream), m_outerOrigin(stream.Origin()), m_outerSize(stream.Size()),
      m_inside(position <= m_outerSize && size <= m_outerSize - position &&
               stream.Restrict(m_outerOrigin + position, size))
{
}

StreamPart::~StreamPart()
{
    if (m_inside)
        m_stream.Restrict(m_outerOrigin, m_outerSize);
}
