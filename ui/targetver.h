#pragma once

// The lowest Windows version the program is built for. The file dialog's
// Vista interfaces (IFileOpenDialog, IShellItem) need Windows Vista or later.
#include <winsdkver.h>

#ifndef _WIN32_WINNT
#define _WIN32_WINNT _WIN32_WINNT_VISTA
#endif

#include <sdkddkver.h>
