#include "write_all.h"

#include <windows.h>

#include <cerrno>
#include <io.h>
#include <string>

#include "descriptors.h"
#include "wide_text.h"
#include "windows_errors.h"

namespace {

// The bytes of a character cut off at the end of a write, per standard
// stream, until the next write to that console brings the rest.
std::string g_consoleCarry[3];

int WriteToConsole(HANDLE console, int descriptor, const char* data, std::size_t size)
{
    std::string unused;
    std::string& carry = descriptor >= 0 && descriptor < 3 ? g_consoleCarry[descriptor] : unused;
    const std::wstring wide = WideForConsole(std::string_view(data, size), carry);
    const wchar_t* next = wide.data();
    std::size_t left = wide.size();
    while (left > 0) {
        const DWORD chunk = left > 16384 ? 16384 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteConsoleW(console, next, chunk, &written, nullptr))
            return ErrnoFromWindows(GetLastError());
        if (written == 0)
            return EIO;
        next += written;
        left -= written;
    }
    return 0;
}

}  // namespace

// A console shows its text as UTF-16, whatever its code page, so it gets
// the characters themselves; a file or pipe gets the UTF-8 bytes as they
// are, with no line ends changed.
int WriteAll(int descriptor, const char* data, std::size_t size)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (handle == INVALID_HANDLE_VALUE || handle == reinterpret_cast<HANDLE>(-2))
        return EBADF;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode))
        return WriteToConsole(handle, descriptor, data, size);
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr))
            return ErrnoFromWindows(GetLastError());
        if (written == 0)
            return EIO;
        data += written;
        size -= written;
    }
    return 0;
}
