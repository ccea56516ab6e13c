#include "bounded_stream.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <stdlib.h>
#else
#include <unistd.h>
#endif

namespace {

// Large enough for the header and a camera's first directory with the texts
// stored behind it, small enough that three fetches stay under 8 KiB.
constexpr std::size_t kWindowBytes = 2048;

#ifdef _WIN32

using FileStatus = struct _stati64;

int StatusOf(int descriptor, FileStatus& st) { return _fstati64(descriptor, &st); }
int CloseDescriptor(int descriptor) { return _close(descriptor); }
int DescriptorOf(std::FILE* stream) { return _fileno(stream); }

// Shared with readers only: a file that another program is writing is not
// read half-written, it is reported as in use.
int OpenDescriptor(const char* path) { return _sopen(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYWR); }
int OpenDescriptor(const wchar_t* path)
{
    return _wsopen(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYWR);
}
bool IsFolderPath(const char* path)
{
    FileStatus st{};
    return _stati64(path, &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR;
}
bool IsFolderPath(const wchar_t* path)
{
    FileStatus st{};
    return _wstati64(path, &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR;
}

// Win32 error codes, as the C runtime leaves them in _doserrno: errno alone
// turns a sharing violation, a folder and a denied access into EACCES, and
// a path too long into ENOENT.
constexpr unsigned long kErrorFileNotFound = 2;
constexpr unsigned long kErrorPathNotFound = 3;
constexpr unsigned long kErrorAccessDenied = 5;
constexpr unsigned long kErrorSharingViolation = 32;
constexpr unsigned long kErrorLockViolation = 33;
constexpr unsigned long kErrorInvalidName = 123;
constexpr unsigned long kErrorFilenameExcedRange = 206;
constexpr unsigned long kErrorCantResolveFilename = 1921;  // reparse points in a loop
// A mapped or UNC share that is gone: unplugged, asleep, renamed.
constexpr unsigned long kNetworkErrors[] = {
    53,    // ERROR_BAD_NETPATH
    55,    // ERROR_DEV_NOT_EXIST
    59,    // ERROR_UNEXP_NET_ERR
    64,    // ERROR_NETNAME_DELETED
    67,    // ERROR_BAD_NET_NAME
    1231,  // ERROR_NETWORK_UNREACHABLE
};

// The program does not declare itself long-path aware, so the system
// refuses paths of MAX_PATH (260) characters or more, and every file
// system names of more than 255; it says so only as "not found" or
// "invalid name". (An 8-bit path is measured in bytes: near enough.)
template <typename Char>
bool LongerThanTheSystemAllows(const Char* path)
{
    std::size_t length = 0, component = 0;
    for (; path[length] != 0; ++length) {
        component = path[length] == '\\' || path[length] == '/' ? 0 : component + 1;
        if (component > 255)
            return true;
    }
    return length >= 260;
}

template <typename Char>
OpenResult OpenFailure(const Char* path)
{
    const int error = errno;
    const unsigned long systemError = _doserrno;
    if (systemError == kErrorSharingViolation || systemError == kErrorLockViolation)
        return OpenResult::kInUse;
    if (systemError == kErrorFilenameExcedRange)
        return OpenResult::kPathTooLong;
    if (systemError == kErrorCantResolveFilename)
        return OpenResult::kLinkLoop;
    if (std::find(std::begin(kNetworkErrors), std::end(kNetworkErrors), systemError) != std::end(kNetworkErrors))
        return OpenResult::kNetworkUnavailable;
    if ((systemError == kErrorFileNotFound || systemError == kErrorPathNotFound || systemError == kErrorInvalidName) &&
        LongerThanTheSystemAllows(path))
        return OpenResult::kPathTooLong;
    // A folder cannot be opened as a file at all; only on this failure is
    // the path looked up a second time, to say so.
    if (systemError == kErrorAccessDenied && IsFolderPath(path))
        return OpenResult::kFolder;
    switch (error) {
    case EACCES: return OpenResult::kPermissionDenied;
    case ENOENT: return OpenResult::kNoSuchFile;
    case ENAMETOOLONG: return OpenResult::kPathTooLong;
    case EMFILE:
    case ENFILE: return OpenResult::kTooManyOpenFiles;
    default: return OpenResult::kCannotOpen;
    }
}

// Reads exactly `length` bytes at `position`, or fails.
bool ReadExactly(int descriptor, std::uint64_t position, std::uint8_t* into, std::size_t length)
{
    if (_lseeki64(descriptor, static_cast<__int64>(position), SEEK_SET) != static_cast<__int64>(position))
        return false;
    while (length > 0) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(length, INT_MAX));
        const int n = _read(descriptor, into, chunk);
        if (n <= 0)
            return false;  // an error, or the file ended early
        into += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

#else

using FileStatus = struct stat;

int StatusOf(int descriptor, FileStatus& st) { return fstat(descriptor, &st); }
int CloseDescriptor(int descriptor) { return close(descriptor); }
int DescriptorOf(std::FILE* stream) { return fileno(stream); }

// O_NONBLOCK: opening a FIFO would otherwise wait for a writer, and a
// device might wait for its medium; for a regular file it changes nothing
// (its reads never report "try again", and if one did it would fail the
// read, not hang it). O_NOCTTY: a terminal named like a camera file must
// not become this process's controlling terminal.
int OpenDescriptor(const char* path) { return open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); }

OpenResult OpenFailure(const char*)
{
    switch (errno) {
    case EACCES:
    case EPERM: return OpenResult::kPermissionDenied;
    case ENOENT:
    case ENOTDIR: return OpenResult::kNoSuchFile;
    case ENAMETOOLONG: return OpenResult::kPathTooLong;
    case EMFILE:
    case ENFILE: return OpenResult::kTooManyOpenFiles;
    case EISDIR: return OpenResult::kFolder;
    case ENXIO:  // a socket, or a device without its driver
    case ENODEV: return OpenResult::kNotAFile;
    case EWOULDBLOCK:  // another process holds a lease on the file
        return OpenResult::kInUse;
    case ELOOP: return OpenResult::kLinkLoop;
    case ESTALE:  // a network file system's server no longer knows the file
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENOTCONN: return OpenResult::kNetworkUnavailable;
    case EIO: return OpenResult::kUnreadable;
    default: return OpenResult::kCannotOpen;
    }
}

// Reads exactly `length` bytes at `position`, or fails. Positioned reads
// need no seek and leave no file position behind.
bool ReadExactly(int descriptor, std::uint64_t position, std::uint8_t* into, std::size_t length)
{
    while (length > 0) {
        const ssize_t n = pread(descriptor, into, length, static_cast<off_t>(position));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;  // an error, or the file ended early
        into += n;
        length -= static_cast<std::size_t>(n);
        position += static_cast<std::uint64_t>(n);
    }
    return true;
}

#endif

}  // namespace

BoundedStream::~BoundedStream() { Close(); }

void BoundedStream::Close()
{
    if (m_stream)
        std::fclose(m_stream);
    else if (m_descriptor >= 0)
        CloseDescriptor(m_descriptor);
    m_stream = nullptr;
    m_descriptor = -1;
}

OpenResult BoundedStream::Open(const char* path)
{
    Close();
    const int descriptor = OpenDescriptor(path);
    if (descriptor < 0)
        return OpenFailure(path);
    return Adopt(descriptor, nullptr);
}

#ifdef _WIN32
OpenResult BoundedStream::Open(const wchar_t* path)
{
    Close();
    const int descriptor = OpenDescriptor(path);
    if (descriptor < 0)
        return OpenFailure(path);
    return Adopt(descriptor, nullptr);
}
#endif

OpenResult BoundedStream::Attach(std::FILE* file)
{
    Close();
    if (!file)
        return OpenResult::kCannotOpen;
    return Adopt(DescriptorOf(file), file);
}

OpenResult BoundedStream::Adopt(int descriptor, std::FILE* stream)
{
    m_descriptor = descriptor;
    m_stream = stream;
    m_windowStart = 0;
    m_windowSize = 0;
    m_spilled = false;
    m_spill.clear();
    m_bytesFetched = 0;
    m_fileSize = m_origin = m_end = 0;

    // What was opened decides, not what the path named a moment before.
    FileStatus st{};
    OpenResult result = OpenResult::kOk;
    if (descriptor < 0 || StatusOf(descriptor, st) != 0)
        result = OpenResult::kCannotOpen;
    else if ((st.st_mode & S_IFMT) == S_IFDIR)
        result = OpenResult::kFolder;
    else if ((st.st_mode & S_IFMT) != S_IFREG || st.st_size < 0)
        result = OpenResult::kNotAFile;
    if (result != OpenResult::kOk) {
        Close();
        return result;
    }
    // The size is taken once: should the file shrink while it is read,
    // reads past its new end fail as short reads.
    m_fileSize = static_cast<std::uint64_t>(st.st_size);
    m_end = m_fileSize;
    return OpenResult::kOk;
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
    if (m_descriptor < 0)
        return ReadResult::kIoError;
    // Two comparisons, never a sum that could wrap.
    const std::uint64_t size = Size();
    if (position > size || length > size - position)
        return ReadResult::kOutOfRange;
    if (length == 0)
        return ReadResult::kOk;

    const std::uint64_t absolute = m_origin + position;
    const bool inWindow = absolute >= m_windowStart &&
                          absolute - m_windowStart <= m_windowSize &&
                          length <= m_windowSize - (absolute - m_windowStart);
    if (!inWindow && !Fetch(absolute, length))
        return ReadResult::kIoError;

    std::memcpy(destination, Window() + (absolute - m_windowStart), length);
    return ReadResult::kOk;
}

bool BoundedStream::Fetch(std::uint64_t absolute, std::size_t length)
{
    // Bytes that begin inside the window or shortly behind it are read on
    // from the window's end: nothing read twice. Otherwise the window moves
    // to `absolute`.
    const std::uint64_t windowEnd = m_windowStart + m_windowSize;
    const bool extend = m_windowSize > 0 && absolute >= m_windowStart && absolute < windowEnd + kWindowBytes;
    const std::uint64_t from = extend ? windowEnd : absolute;
    const std::uint64_t missing = absolute + length - from;
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::max<std::uint64_t>(missing, kWindowBytes), m_fileSize - from));

    const std::size_t keep = extend ? m_windowSize : 0;
    if (!extend)
        m_windowStart = absolute;
    std::uint8_t* const window = ResizeWindow(keep, keep + want);
    if (!ReadExactly(m_descriptor, from, window + keep, want)) {
        // A short read means the file shrank or failed under us: nothing
        // of it may be used.
        m_windowSize = 0;
        return false;
    }
    m_bytesFetched += want;
    return true;
}

std::uint8_t* BoundedStream::ResizeWindow(std::size_t keep, std::size_t size)
{
    if (!m_spilled && size > sizeof m_inline) {
        m_spill.assign(m_inline, m_inline + keep);
        m_spilled = true;
    }
    if (m_spilled)
        m_spill.resize(size);
    m_windowSize = size;
    return Window();
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
