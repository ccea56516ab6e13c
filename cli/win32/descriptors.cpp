#include "descriptors.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <initializer_list>
#include <fcntl.h>
#include <io.h>

namespace {

HANDLE HandleOf(int descriptor) { return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)); }

bool HasHandle(int descriptor)
{
    const HANDLE handle = HandleOf(descriptor);
    // -2: the descriptor is open on no stream (a program started without one).
    return handle != INVALID_HANDLE_VALUE && handle != reinterpret_cast<HANDLE>(-2) && handle != nullptr;
}

}  // namespace

int DescriptorError(int descriptor) { return HasHandle(descriptor) ? 0 : EBADF; }

int CloseDescriptor(int descriptor) { return _close(descriptor) != 0 ? errno : 0; }

// A console's handle has a console mode; a file, a pipe or the null device
// has none.
bool IsTerminal(int descriptor)
{
    DWORD mode = 0;
    return HasHandle(descriptor) && GetConsoleMode(HandleOf(descriptor), &mode) != 0;
}

void FillClosedStandardDescriptors()
{
    for (int wanted : {kStandardInput, kStandardError}) {
        if (HasHandle(wanted))
            continue;
        const int opened = _wopen(L"NUL", wanted == kStandardInput ? _O_RDONLY : _O_WRONLY);
        if (opened < 0)
            continue;
        if (opened != wanted) {
            _dup2(opened, wanted);
            _close(opened);
        }
    }
    // The progress line clears itself with the terminal's escapes, which
    // a console of Windows 10 and later follows once asked to.
    DWORD mode = 0;
    const HANDLE error = HandleOf(kStandardError);
    if (IsTerminal(kStandardError) && GetConsoleMode(error, &mode))
        SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// Each file in flight holds a C runtime stream, of which the runtime
// grants _getmaxstdio() in all, the three standard ones among them.
std::size_t FreeDescriptors(std::size_t wanted)
{
    const int streams = _getmaxstdio() - 3 - FOPEN_MAX;
    const std::size_t free = streams > 0 ? static_cast<std::size_t>(streams) : 0;
    return wanted < free ? wanted : free;
}
