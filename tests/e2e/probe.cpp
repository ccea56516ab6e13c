// The probe library: loaded into the program under test by a WH_CALLWNDPROC
// hook that the driver sets on the program's user-interface thread. Things
// that only the program's own process can do are done here, on request:
// under Wine, GetSystemMenu for another process's window returns NULL, and
// WM_DROPFILES posted with a handle allocated in another process is ignored
// (DragQueryFile finds no file in it), as it would be on Windows.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "probe_protocol.h"

namespace {

void ReadSystemMenu(HWND hwnd, e2e::ProbeBlock& block)
{
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu) {
        block.status = 1;
        return;
    }
    const int count = GetMenuItemCount(menu);
    block.itemCount = 0;
    for (int i = 0; i < count && block.itemCount < 64; ++i) {
        e2e::ProbeMenuItem& item = block.items[block.itemCount++];
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = item.text;
        info.cch = 127;
        item.text[0] = L'\0';
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) {
            block.status = 2;
            return;
        }
        item.type = info.fType;
        item.id = info.wID;
    }
}

void DropFile(HWND hwnd, e2e::ProbeBlock& block)
{
    const std::size_t chars = wcslen(block.path);
    const std::size_t bytes = sizeof(DROPFILES) + (chars + 2) * sizeof(wchar_t);
    HGLOBAL handle = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(handle));
    if (!drop) {
        block.status = 3;
        return;
    }
    drop->pFiles = sizeof(DROPFILES);
    drop->pt.x = 40;
    drop->pt.y = 40;
    drop->fNC = FALSE;
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), block.path, chars * sizeof(wchar_t));
    GlobalUnlock(handle);
    // The window takes ownership and frees it with DragFinish.
    if (!PostMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(handle), 0)) {
        GlobalFree(handle);
        block.status = 4;
    }
}

void Serve(HWND hwnd, DWORD driverProcessId)
{
    wchar_t name[64];
    e2e::ProbeBlockName(driverProcessId, name);
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (!mapping)
        return;
    auto* block = static_cast<e2e::ProbeBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(e2e::ProbeBlock)));
    if (block) {
        block->status = 0;
        switch (block->request) {
        case e2e::ProbeRequest::kReadSystemMenu:
            ReadSystemMenu(hwnd, *block);
            break;
        case e2e::ProbeRequest::kDropFile:
            DropFile(hwnd, *block);
            break;
        case e2e::ProbeRequest::kNone:
            break;
        }
        block->done = 1;
        UnmapViewOfFile(block);
    }
    CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCallWndProc(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT probeMessage = RegisterWindowMessageW(e2e::kProbeMessage);
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (call->message == probeMessage)
            Serve(call->hwnd, static_cast<DWORD>(call->wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
