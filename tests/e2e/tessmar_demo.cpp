// Shows Tessmar at work without a user: starts it, opens a NEF file through
// the real "NEF open" flow, prints the five fields as the dialog shows them,
// and holds the main dialog, the about box and the open system menu on
// screen in turn until the caller has taken their screenshots.
//
//   tessmar_demo TESSMAR_EXE NEF_FILE [SIGNAL_DIR]
//
// With SIGNAL_DIR, each view is announced on standard output as
//   view main-dialog X Y WIDTH HEIGHT
// and the file SIGNAL_DIR/main-dialog.ready is created; the demo goes on
// once SIGNAL_DIR/main-dialog.done exists (then the same for about-box and
// system-menu).
#include <windows.h>

#include <cstdio>
#include <string>

#include "tessmar_app.h"
#include "win_driver.h"

namespace {

using namespace e2e;

constexpr DWORD kHoldTimeoutMs = 60 * 1000;

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Announces a view of the area that two windows cover together and waits
// until the caller has captured it.
bool HoldArea(HWND window, HWND other, const char* name, const std::wstring& signalDir)
{
    if (signalDir.empty())
        return true;
    RECT rect{};
    GetWindowRect(window, &rect);
    RECT otherRect = rect;
    GetWindowRect(other, &otherRect);
    UnionRect(&rect, &rect, &otherRect);
    // Let the windows finish painting before they are captured.
    Sleep(300);
    std::printf("view %s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    std::fflush(stdout);
    const std::wstring base = signalDir + L"\\" + Widen(name);
    HANDLE ready = CreateFileW((base + L".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(ready);
    return WaitUntil([&] { return Exists(base + L".done"); }, kHoldTimeoutMs);
}

bool Hold(HWND window, const char* name, const std::wstring& signalDir)
{
    return HoldArea(window, window, name, signalDir);
}

int Fail(Tessmar* app, const std::string& why)
{
    std::fprintf(stderr, "tessmar_demo: %s\n", why.c_str());
    if (app)
        app->Kill();
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: tessmar_demo TESSMAR_EXE NEF_FILE [SIGNAL_DIR]\n");
        return 2;
    }
    const std::wstring exe = WindowsPath(argv[1]);
    const std::wstring file = WindowsPath(argv[2]);
    const std::wstring signalDir = argc == 4 ? WindowsPath(argv[3]) : std::wstring();
    std::wstring folder = file.substr(0, file.find_last_of(L"\\"));

    std::string error;
    auto app = Tessmar::Launch(exe, folder, &error);
    if (!app)
        return Fail(nullptr, error);

    // The user's steps: "NEF open", the file's name, OK.
    if (!app->OpenFile(file, &error))
        return Fail(app.get(), error);
    if (HWND message = app->WaitMessageBox(kQuietPeriodMs)) {
        std::printf("Tessmar says: %s\n", Narrow(StaticTextsOf(message)).c_str());
        Click(GetDlgItem(message, IDOK));
        WaitForWindowGone(message);
    }

    const Fields fields = app->ReadFields();
    std::printf("Camera:             %s\n", Narrow(fields.camera).c_str());
    std::printf("Shooting Date:      %s\n", Narrow(fields.shootingDate).c_str());
    std::printf("Mechanical Shutter: %s\n", Narrow(fields.mechanical).c_str());
    std::printf("Electronic Shutter: %s\n", Narrow(fields.electronic).c_str());
    std::printf("Total Count:        %s\n", Narrow(fields.total).c_str());
    std::fflush(stdout);
    if (!Hold(app->Main(), "main-dialog", signalDir))
        return Fail(app.get(), "nobody took the main dialog's screenshot");

    if (!signalDir.empty()) {
        // The about box, through the system menu's command.
        Post(app->Main(), WM_SYSCOMMAND, 0x0010, 0);
        HWND about = app->WaitAboutBox();
        if (!about)
            return Fail(app.get(), "the about box did not open");
        if (!Hold(about, "about-box", signalDir))
            return Fail(app.get(), "nobody took the about box's screenshot");
        Click(GetDlgItem(about, IDOK));
        if (!WaitForWindowGone(about))
            return Fail(app.get(), "the about box did not close");

        // The system menu, opened as Alt+Space opens it; the view spans the
        // dialog and the menu.
        Post(app->Main(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
        HWND menu = WaitForTopWindow(app->process().Id(),
                                     [](const TopWindow& window) { return window.className == L"#32768"; });
        if (!menu)
            return Fail(app.get(), "the system menu did not open");
        if (!HoldArea(app->Main(), menu, "system-menu", signalDir))
            return Fail(app.get(), "nobody took the system menu's screenshot");
        PressKey(app->Main(), VK_ESCAPE);
        PressKey(app->Main(), VK_ESCAPE);
        if (!WaitForWindowGone(menu))
            return Fail(app.get(), "the system menu did not close");
    }

    Click(app->Item(kIdEnd));
    DWORD code = 0;
    if (!app->process().WaitForExit(kStepTimeoutMs, &code))
        return Fail(app.get(), "Tessmar did not end after END");
    return 0;
}
