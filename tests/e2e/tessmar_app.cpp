#include "tessmar_app.h"

#include <cstring>

namespace e2e {

bool Fields::operator==(const Fields& other) const
{
    return mechanical == other.mechanical && electronic == other.electronic && total == other.total &&
           shootingDate == other.shootingDate && camera == other.camera;
}

std::ostream& operator<<(std::ostream& out, const Fields& fields)
{
    return out << "{mechanical \"" << Narrow(fields.mechanical) << "\", electronic \"" << Narrow(fields.electronic)
               << "\", total \"" << Narrow(fields.total) << "\", date \"" << Narrow(fields.shootingDate)
               << "\", camera \"" << Narrow(fields.camera) << "\"}";
}

std::unique_ptr<Tessmar> Tessmar::Launch(const std::wstring& exe, const std::wstring& workingDir, std::string* error,
                                         const std::wstring& arguments)
{
    std::unique_ptr<Tessmar> app(new Tessmar);
    app->m_process = Process::Start(exe, workingDir, arguments);
    if (!app->m_process) {
        *error = "cannot start " + Narrow(exe) + " (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    app->m_main = WaitForTopWindow(app->m_process->Id(), [](const TopWindow& window) {
        return window.className == kDialogClass && window.caption == kMainCaption && window.owner == nullptr;
    });
    if (!app->m_main) {
        *error = app->m_process->Running() ? "no main dialog appeared" : "the program ended before its dialog appeared";
        return nullptr;
    }
    // The dialog is shown at the end of its initialisation; make sure the
    // thread is in its message loop before the test starts.
    app->Settle();
    return app;
}

Tessmar::~Tessmar() = default;

Fields Tessmar::ReadFields() const
{
    Fields fields;
    fields.mechanical = TextOf(Item(kIdMechanical));
    fields.electronic = TextOf(Item(kIdElectronic));
    fields.total = TextOf(Item(kIdTotal));
    fields.shootingDate = TextOf(Item(kIdShootingDate));
    fields.camera = TextOf(Item(kIdCamera));
    return fields;
}

void Tessmar::Settle() const
{
    Send(m_main, WM_NULL, 0, 0);
}

std::vector<HWND> Tessmar::OwnedDialogs() const
{
    std::vector<HWND> dialogs;
    for (const TopWindow& window : TopWindowsOf(m_process->Id())) {
        if (window.className == kDialogClass && window.owner == m_main)
            dialogs.push_back(window.hwnd);
    }
    return dialogs;
}

bool Tessmar::IsFileDialog(HWND dialog)
{
    return GetDlgItem(dialog, kIdFileNameEdit) != nullptr || GetDlgItem(dialog, kIdFileNameCombo) != nullptr;
}

HWND Tessmar::WaitFileDialog() const
{
    return WaitForTopWindow(m_process->Id(), [&](const TopWindow& window) {
        return window.className == kDialogClass && window.owner == m_main && IsFileDialog(window.hwnd);
    });
}

HWND Tessmar::WaitAboutBox() const
{
    return WaitForTopWindow(m_process->Id(), [&](const TopWindow& window) {
        return window.className == kDialogClass && window.owner == m_main && window.caption == kAboutCaption;
    });
}

HWND Tessmar::WaitMessageBox(DWORD timeoutMs) const
{
    return WaitForTopWindow(
        m_process->Id(),
        [&](const TopWindow& window) {
            return window.className == kDialogClass && window.owner == m_main && window.caption != kAboutCaption &&
                   !IsFileDialog(window.hwnd);
        },
        timeoutMs);
}

HWND Tessmar::OpenFileDialog() const
{
    Click(Item(kIdNefOpen));
    return WaitFileDialog();
}

bool Tessmar::ChooseFile(HWND fileDialog, const std::wstring& path, std::string* error) const
{
    HWND edit = GetDlgItem(fileDialog, kIdFileNameEdit);
    if (!edit)
        edit = FindWindowExW(GetDlgItem(fileDialog, kIdFileNameCombo), nullptr, L"Edit", nullptr);
    if (!edit) {
        *error = "the file dialog has no file-name field";
        return false;
    }
    if (!SetText(edit, path) || TextOf(edit) != path) {
        *error = "cannot type the file name into the file dialog";
        return false;
    }
    Click(GetDlgItem(fileDialog, IDOK));
    if (!WaitForWindowGone(fileDialog)) {
        *error = "the file dialog stayed open after OK with " + Narrow(path);
        return false;
    }
    Settle();
    return true;
}

bool Tessmar::CancelFileDialog(HWND fileDialog, std::string* error) const
{
    Click(GetDlgItem(fileDialog, IDCANCEL));
    if (!WaitForWindowGone(fileDialog)) {
        *error = "the file dialog stayed open after Cancel";
        return false;
    }
    Settle();
    return true;
}

bool Tessmar::OpenFile(const std::wstring& path, std::string* error) const
{
    HWND fileDialog = OpenFileDialog();
    if (!fileDialog) {
        *error = "\"NEF open\" opened no file dialog";
        return false;
    }
    return ChooseFile(fileDialog, path, error);
}

std::wstring ProbeLibraryPath()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"tessmar_e2e_probe.dll";
}

bool Tessmar::CallProbe(ProbeBlock& request, std::string* error)
{
    wchar_t name[64];
    ProbeBlockName(GetCurrentProcessId(), name);
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ProbeBlock), name);
    if (!mapping) {
        *error = "cannot create the probe's shared block";
        return false;
    }
    auto* block = static_cast<ProbeBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ProbeBlock)));
    std::memcpy(block, &request, sizeof request);
    block->done = 0;

    bool answered = false;
    HMODULE probe = LoadLibraryW(ProbeLibraryPath().c_str());
    auto hookProc = probe ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(GetProcAddress(probe, kProbeHookExport)))
                           : nullptr;
    HHOOK hook = hookProc ? SetWindowsHookExW(WH_CALLWNDPROC, hookProc, probe, m_process->ThreadId()) : nullptr;
    if (!hook) {
        *error = "cannot hook the probe into the program";
    } else {
        Send(m_main, RegisterWindowMessageW(kProbeMessage), GetCurrentProcessId(), 0);
        UnhookWindowsHookEx(hook);
        answered = block->done != 0;
        if (!answered)
            *error = "the probe inside the program did not answer";
    }
    std::memcpy(&request, block, sizeof request);
    if (probe)
        FreeLibrary(probe);
    UnmapViewOfFile(block);
    CloseHandle(mapping);
    if (answered && request.status != 0) {
        *error = "the probe failed at step " + std::to_string(request.status);
        return false;
    }
    return answered;
}

bool Tessmar::ReadSystemMenu(std::vector<ProbeMenuItem>* items, std::string* error)
{
    auto block = std::make_unique<ProbeBlock>();
    block->request = ProbeRequest::kReadSystemMenu;
    if (!CallProbe(*block, error))
        return false;
    items->assign(block->items, block->items + block->itemCount);
    return true;
}

bool Tessmar::DropFile(const std::wstring& path, std::string* error)
{
    auto block = std::make_unique<ProbeBlock>();
    block->request = ProbeRequest::kDropFile;
    if (path.size() >= sizeof block->path / sizeof block->path[0]) {
        *error = "path too long to drop";
        return false;
    }
    std::memcpy(block->path, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    if (!CallProbe(*block, error))
        return false;
    Settle();
    return true;
}

}  // namespace e2e
