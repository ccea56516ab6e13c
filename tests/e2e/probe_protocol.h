// What the test driver and the probe library, loaded into the program under
// test through a window hook, exchange. The driver creates a named shared
// block, writes a request into it and sends the program's main window the
// registered message kProbeMessage with its own process id as wParam; the
// probe, called in the program's user-interface thread before the window
// sees the message, carries the request out and writes the answer back.
#pragma once

#include <windows.h>

#include <cstdint>

namespace e2e {

constexpr wchar_t kProbeMessage[] = L"Tessmar.E2E.Probe";
constexpr char kProbeHookExport[] = "ProbeCallWndProc";

enum class ProbeRequest : std::uint32_t {
    kNone = 0,
    // Reads the window's current system menu, as the program left it.
    kReadSystemMenu = 1,
    // Allocates a file list in the program, as the shell's drop target
    // does, and posts WM_DROPFILES with it to the window.
    kDropFile = 2,
};

struct ProbeMenuItem {
    std::uint32_t type;   // MFT_ flags
    std::uint32_t id;
    wchar_t text[128];
};

struct ProbeBlock {
    ProbeRequest request;
    std::uint32_t done;    // set by the probe when it has answered
    std::uint32_t status;  // 0, or the step that failed
    wchar_t path[1024];    // kDropFile: the file to drop
    std::uint32_t itemCount;
    ProbeMenuItem items[64];
};

// The block's name for a given driver process.
inline void ProbeBlockName(DWORD driverProcessId, wchar_t (&name)[64])
{
    wsprintfW(name, L"Local\\Tessmar.E2E.Probe.%lu", driverProcessId);
}

}  // namespace e2e
