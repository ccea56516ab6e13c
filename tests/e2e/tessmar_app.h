// Tessmar.exe as the end-to-end tests and the demonstration see it: its
// main dialog, the windows it opens, and the steps a user takes, each with
// a time limit and a readable reason when it fails.
#pragma once

#include <windows.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "probe_protocol.h"
#include "win_driver.h"

namespace e2e {

constexpr wchar_t kMainCaption[] = L"Nikon DSLR Shutter Count Number";
constexpr wchar_t kAboutCaption[] = L"Tessmar info.";
constexpr wchar_t kDialogClass[] = L"#32770";

constexpr int kIdEnd = IDOK;
constexpr int kIdNefOpen = 1000;
constexpr int kIdMechanical = 1001;
constexpr int kIdElectronic = 1002;
constexpr int kIdTotal = 1003;
constexpr int kIdShootingDate = 1004;
constexpr int kIdCamera = 1005;

// The file dialog's file-name field: the Vista-style dialog's own Edit, or
// the Edit inside the classic dialog's combo box.
constexpr int kIdFileNameEdit = 0x480;
constexpr int kIdFileNameCombo = 0x47C;
constexpr int kIdFileTypeCombo = 0x470;

// What the five fields show, as the dialog's controls hold it.
struct Fields {
    std::wstring mechanical;
    std::wstring electronic;
    std::wstring total;
    std::wstring shootingDate;
    std::wstring camera;

    bool operator==(const Fields& other) const;
    bool operator!=(const Fields& other) const { return !(*this == other); }
};
std::ostream& operator<<(std::ostream& out, const Fields& fields);

class Tessmar {
public:
    // Starts the program and waits for its main dialog. On failure returns
    // null and says why in `error`.
    static std::unique_ptr<Tessmar> Launch(const std::wstring& exe, const std::wstring& workingDir,
                                           std::string* error, const std::wstring& arguments = std::wstring());
    ~Tessmar();

    Process& process() { return *m_process; }
    HWND Main() const { return m_main; }
    HWND Item(int id) const { return GetDlgItem(m_main, id); }
    Fields ReadFields() const;

    // The visible dialogs that the main dialog owns: file dialog, message
    // box, about box.
    std::vector<HWND> OwnedDialogs() const;
    HWND WaitFileDialog() const;
    HWND WaitAboutBox() const;
    // An owned dialog that is neither the file dialog nor the about box.
    HWND WaitMessageBox(DWORD timeoutMs = kStepTimeoutMs) const;
    static bool IsFileDialog(HWND dialog);

    // Clicks "NEF open" and returns the file dialog, or null.
    HWND OpenFileDialog() const;
    // Types a path into the file dialog and confirms it; true when the
    // dialog has gone and the main dialog has handled the result.
    bool ChooseFile(HWND fileDialog, const std::wstring& path, std::string* error) const;
    bool CancelFileDialog(HWND fileDialog, std::string* error) const;
    // The whole "NEF open" flow for one file.
    bool OpenFile(const std::wstring& path, std::string* error) const;
    // Waits until the main dialog's thread has handled everything sent
    // before this call.
    void Settle() const;

    // Through the probe inside the program.
    bool ReadSystemMenu(std::vector<ProbeMenuItem>* items, std::string* error);
    bool DropFile(const std::wstring& path, std::string* error);

    // Ends the process by force (a test's last resort).
    void Kill() { m_process->Kill(); }

private:
    Tessmar() = default;
    bool CallProbe(ProbeBlock& request, std::string* error);

    std::unique_ptr<Process> m_process;
    HWND m_main = nullptr;
};

// The probe library's path, beside the driver executable.
std::wstring ProbeLibraryPath();

}  // namespace e2e
