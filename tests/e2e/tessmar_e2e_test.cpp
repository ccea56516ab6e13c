// End-to-end tests of Tessmar.exe: the built program, started and driven
// from this process as a user would drive it, under the same Wine session.
//
//   tessmar_e2e PATH-TO-Tessmar.exe [gtest options]
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "nef_builder.h"
#include "tessmar_app.h"
#include "win_driver.h"

namespace e2e {
namespace {

std::wstring g_exe;

// The files the tests open, written once for the whole run.
struct Fixtures {
    std::unique_ptr<nef_test::TempDir> dir;
    std::wstring folder;
    std::wstring d850;      // little-endian
    std::wstring d500;      // big-endian; every field differs from d850's
    std::wstring noMaker;   // texts but no maker note: unreadable counters
    std::wstring notNef;    // not a TIFF structure at all
    std::wstring notes;     // not a .nef file: the filter hides it
    std::wstring widePath;  // in a folder that code page 949 cannot spell
};
Fixtures g_files;

const Fields kStartFields{L"0", L"0", L"0", L"", L""};
const Fields kD850Fields{L"41237", L"10973", L"52210", L"2026:11:28 14:03:51", L"NIKON D850"};
const Fields kD500Fields{L"1200", L"300", L"1500", L"2025:02:03 09:08:07", L"NIKON D500"};
const Fields kNoMakerFields{L"0", L"0", L"0", L"2024:07:01 12:00:00", L"NIKON Z 6"};
const Fields kWideFields{L"777", L"123", L"900", L"2023:05:06 07:08:09", L"NIKON D7500"};

std::wstring WriteWide(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write a fixture");
    return path.wstring();
}

class FixtureEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        using nef_test::NefBuilder;
        using nef_test::Order;
        g_files.dir = std::make_unique<nef_test::TempDir>();
        const std::filesystem::path folder = std::filesystem::path(g_files.dir->Path());
        g_files.folder = folder.wstring();
        g_files.d850 = WriteWide(folder / L"d850.nef", NefBuilder(Order::kLittle)
                                                          .Model("NIKON D850")
                                                          .DateTime("2026:11:28 14:03:51")
                                                          .Mechanical(41237)
                                                          .Total(52210)
                                                          .ImageData(512)
                                                          .Build());
        g_files.d500 = WriteWide(folder / L"d500.nef", NefBuilder(Order::kBig)
                                                          .Model("NIKON D500")
                                                          .DateTime("2025:02:03 09:08:07")
                                                          .Mechanical(1200)
                                                          .Total(1500)
                                                          .Build());
        g_files.noMaker = WriteWide(folder / L"no-maker-note.nef", NefBuilder(Order::kLittle)
                                                                      .Model("NIKON Z 6")
                                                                      .DateTime("2024:07:01 12:00:00")
                                                                      .WithoutMakerNote()
                                                                      .Build());
        const std::string text = "These are not the pictures you are looking for.\n";
        g_files.notNef = WriteWide(folder / L"not-a-raw.nef", std::vector<std::uint8_t>(text.begin(), text.end()));
        g_files.notes = WriteWide(folder / L"notes.txt", std::vector<std::uint8_t>(text.begin(), text.end()));

        // Georgian "photo" and Thai "camera": neither script is in code page 949.
        const std::filesystem::path wideFolder = folder / L"\x10E4\x10DD\x10E2\x10DD";
        std::filesystem::create_directories(wideFolder);
        g_files.widePath = WriteWide(wideFolder / L"\x0E01\x0E25\x0E49\x0E2D\x0E07.nef", NefBuilder(Order::kBig)
                                                                                     .Model("NIKON D7500")
                                                                                     .DateTime("2023:05:06 07:08:09")
                                                                                     .Mechanical(777)
                                                                                     .Total(900)
                                                                                     .Build());
    }
    void TearDown() override { g_files.dir.reset(); }
};

// Each test drives a fresh Tessmar, started in the fixtures' folder.
class TessmarTest : public ::testing::Test {
protected:
    void SetUp() override { Launch(std::wstring()); }

    void Launch(const std::wstring& arguments)
    {
        std::string error;
        m_app = Tessmar::Launch(g_exe, g_files.folder, &error, arguments);
        ASSERT_TRUE(m_app) << error;
    }

    void TearDown() override
    {
        if (m_app && m_app->process().Running()) {
            // Whatever a test left open, the program must still end by END.
            for (HWND dialog : m_app->OwnedDialogs())
                Post(dialog, WM_COMMAND, IDCANCEL, 0);
            Click(m_app->Item(kIdEnd));
            ExpectProcessEnds("END at the end of the test");
        }
        m_app.reset();
    }

    Tessmar& app() { return *m_app; }

    void Open(const std::wstring& path)
    {
        std::string error;
        ASSERT_TRUE(app().OpenFile(path, &error)) << error;
    }

    // END, Enter, Escape, the close box: the process must end by itself.
    void ExpectProcessEnds(const char* how)
    {
        DWORD code = 0;
        ASSERT_TRUE(app().process().WaitForExit(kStepTimeoutMs, &code)) << how << " did not end the program";
        // A normal end has status 0; a crash, an exception that the
        // framework caught (-1) or our own forced end would show here.
        EXPECT_EQ(code, 0u) << how << ": exit status 0x" << std::hex << code;
        // The debug build writes failed assertions, unhandled exceptions
        // and leaked allocations to standard error, and nothing else.
        EXPECT_EQ(app().process().CapturedOutput(), "") << how;
    }

    void ExpectNoOwnedDialogFor(DWORD milliseconds)
    {
        Sleep(milliseconds);
        EXPECT_TRUE(app().OwnedDialogs().empty()) << "an unexpected window opened over the main dialog";
    }

    std::unique_ptr<Tessmar> m_app;
};

// ---------------------------------------------------------------------------
// Start state

using StartState = TessmarTest;

TEST_F(StartState, CountersShowZeroAndTextsAreEmpty)
{
    EXPECT_EQ(app().ReadFields(), kStartFields);
    EXPECT_EQ(TextOf(app().Item(kIdEnd)), L"END");
    EXPECT_EQ(TextOf(app().Item(kIdNefOpen)), L"NEF open");
}

TEST_F(StartState, CommandLineArgumentsAreIgnored)
{
    // Replace the plain start with one given a file, options and noise.
    Click(app().Item(kIdEnd));
    ExpectProcessEnds("END");
    Launch(L"\"" + g_files.d850 + L"\" /p /dde -Embedding \xD55C\xAE00");
    EXPECT_EQ(app().ReadFields(), kStartFields);
    ExpectNoOwnedDialogFor(kQuietPeriodMs);
}

TEST_F(StartState, EndIsTheDefaultButtonAndHasTheFocus)
{
    const LRESULT def = Send(app().Main(), DM_GETDEFID, 0, 0);
    EXPECT_EQ(HIWORD(def), DC_HASDEFID);
    EXPECT_EQ(LOWORD(def), kIdEnd);
    EXPECT_EQ(GetWindowLongW(app().Item(kIdEnd), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongW(app().Item(kIdNefOpen), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_EQ(FocusOf(app().process().ThreadId()), app().Item(kIdEnd));
}

TEST_F(StartState, TabVisitsEndNefOpenAndTheFiveFieldsInOrder)
{
    const int expected[] = {kIdEnd, kIdNefOpen, kIdMechanical, kIdElectronic, kIdTotal, kIdShootingDate, kIdCamera,
                            kIdEnd};
    HWND focus = FocusOf(app().process().ThreadId());
    ASSERT_EQ(focus, app().Item(kIdEnd));
    for (std::size_t i = 1; i < sizeof expected / sizeof expected[0]; ++i) {
        // Tab, through the program's message loop and its dialog manager.
        PressKey(focus, VK_TAB);
        WaitUntil([&] { return FocusOf(app().process().ThreadId()) != focus; });
        focus = FocusOf(app().process().ThreadId());
        ASSERT_EQ(GetDlgCtrlID(focus), expected[i]) << "tab stop " << i;
    }
}

// ---------------------------------------------------------------------------
// Choosing a file with "NEF open"

using NefOpen = TessmarTest;

TEST_F(NefOpen, FileDialogIsOwnedByTheMainDialogAndShowsOnlyNefFiles)
{
    HWND fileDialog = app().OpenFileDialog();
    ASSERT_TRUE(fileDialog) << "no file dialog";

    HWND types = GetDlgItem(fileDialog, kIdFileTypeCombo);
    ASSERT_TRUE(types) << "the file dialog has no file-type list";
    EXPECT_EQ(Send(types, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(TextOf(types), L"nef Files (*.nef)");

    // Show the fixtures' folder and read what the dialog lists there. Each
    // folder gets a list view of its own, so it is looked up every time.
    HWND edit = GetDlgItem(fileDialog, kIdFileNameEdit);
    ASSERT_TRUE(edit) << "no file-name field";
    SetText(edit, g_files.folder);
    Click(GetDlgItem(fileDialog, IDOK));
    std::vector<std::wstring> names;
    const bool listed = WaitUntil([&] {
        names.clear();
        for (HWND child : DescendantsOf(fileDialog)) {
            if (ClassOf(child) == L"SysListView32" && IsWindowVisible(child))
                names = ListViewItemsOf(child, app().process().Id());
        }
        for (const std::wstring& name : names) {
            if (name.find(L"d850") == 0)
                return true;
        }
        return false;
    });
    std::wstring all;
    for (const std::wstring& name : names)
        all += name + L"; ";
    ASSERT_TRUE(listed) << "the dialog did not list the fixtures' folder: " << Narrow(all);
    EXPECT_NE(all.find(L"d500"), std::wstring::npos) << Narrow(all);
    EXPECT_NE(all.find(L"no-maker-note"), std::wstring::npos) << Narrow(all);
    EXPECT_EQ(all.find(L"notes"), std::wstring::npos) << "a .txt file is listed: " << Narrow(all);
    EXPECT_TRUE(IsWindowVisible(fileDialog)) << "typing a folder's name ended the dialog";
    EXPECT_EQ(app().ReadFields(), kStartFields);

    std::string error;
    ASSERT_TRUE(app().CancelFileDialog(fileDialog, &error)) << error;
    EXPECT_EQ(app().ReadFields(), kStartFields);
}

TEST_F(NefOpen, ChosenFilesShowTheirFieldsAndASecondReplacesEveryField)
{
    Open(g_files.d850);
    EXPECT_EQ(app().ReadFields(), kD850Fields) << "little-endian file";

    Open(g_files.d500);
    EXPECT_EQ(app().ReadFields(), kD500Fields) << "big-endian file after the little-endian one";

    Open(g_files.d850);
    EXPECT_EQ(app().ReadFields(), kD850Fields) << "the first file again";
    ExpectNoOwnedDialogFor(kQuietPeriodMs / 2);
}

TEST_F(NefOpen, CancelChangesNothingBeforeOrAfterARead)
{
    std::string error;
    HWND fileDialog = app().OpenFileDialog();
    ASSERT_TRUE(fileDialog);
    ASSERT_TRUE(app().CancelFileDialog(fileDialog, &error)) << error;
    EXPECT_EQ(app().ReadFields(), kStartFields);

    Open(g_files.d500);
    fileDialog = app().OpenFileDialog();
    ASSERT_TRUE(fileDialog);
    // A name typed and then abandoned is not read.
    SetText(GetDlgItem(fileDialog, kIdFileNameEdit), g_files.d850);
    ASSERT_TRUE(app().CancelFileDialog(fileDialog, &error)) << error;
    EXPECT_EQ(app().ReadFields(), kD500Fields);
    ExpectNoOwnedDialogFor(kQuietPeriodMs / 2);
    EXPECT_TRUE(app().process().Running());
}

TEST_F(NefOpen, FileInAFolderThatCodePage949CannotSpellIsRead)
{
    // The premise: this path has no 8-bit spelling on a Korean system.
    BOOL lossy = FALSE;
    WideCharToMultiByte(949, WC_NO_BEST_FIT_CHARS, g_files.widePath.c_str(), -1, nullptr, 0, nullptr, &lossy);
    ASSERT_TRUE(lossy) << "the fixture's path can be written in code page 949";

    Open(g_files.widePath);
    EXPECT_EQ(app().ReadFields(), kWideFields);
    HWND message = app().WaitMessageBox(kQuietPeriodMs);
    EXPECT_FALSE(message) << "message: " << Narrow(StaticTextsOf(message));
}

TEST_F(NefOpen, EnterOnNefOpenPressesItInsteadOfEnd)
{
    Send(app().Main(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(app().Item(kIdNefOpen)), TRUE);
    ASSERT_EQ(FocusOf(app().process().ThreadId()), app().Item(kIdNefOpen));
    PressKey(app().Item(kIdNefOpen), VK_RETURN);
    HWND fileDialog = app().WaitFileDialog();
    ASSERT_TRUE(fileDialog) << "Enter on \"NEF open\" opened no file dialog";
    EXPECT_TRUE(app().process().Running());
    std::string error;
    ASSERT_TRUE(app().ChooseFile(fileDialog, g_files.d500, &error)) << error;
    EXPECT_EQ(app().ReadFields(), kD500Fields);
}

TEST_F(NefOpen, NameTypedWithoutItsExtensionGetsTheFileDialogsOwnAnswer)
{
    // The default extension goes to the platform's dialog as "*.nef", as the
    // program gives it. Whatever the dialog makes of "d850" (find d850.nef,
    // or say itself that there is no such file), the program keeps running
    // and shows only what it read.
    HWND fileDialog = app().OpenFileDialog();
    ASSERT_TRUE(fileDialog);
    const std::wstring typed = g_files.folder + L"\\d850";
    ASSERT_TRUE(SetText(GetDlgItem(fileDialog, kIdFileNameEdit), typed));
    Click(GetDlgItem(fileDialog, IDOK));
    HWND answer = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        answer = WaitForTopWindow(
            app().process().Id(), [&](const TopWindow& window) { return window.owner == fileDialog; }, 0);
        return answer != nullptr || !IsWindow(fileDialog);
    })) << "the file dialog neither closed nor answered";
    ASSERT_TRUE(app().process().Running());

    if (answer == nullptr) {
        app().Settle();
        EXPECT_EQ(app().ReadFields(), kD850Fields) << "the dialog closed without d850.nef being read";
        return;
    }
    // The dialog's own message: it stays open and nothing has been read.
    EXPECT_TRUE(IsWindow(fileDialog));
    EXPECT_EQ(app().ReadFields(), kStartFields);
    // Wine 8 appends "." and the extension, finds no "d850.*.nef" and says
    // so in a box of its own.
    EXPECT_NE(GetDlgItem(answer, IDOK), nullptr) << "the file dialog's answer has no OK button";
    PressKey(FocusOf(app().process().ThreadId()), VK_RETURN);
    ASSERT_TRUE(WaitForWindowGone(answer));
    std::string error;
    ASSERT_TRUE(app().CancelFileDialog(fileDialog, &error)) << error;
    EXPECT_EQ(app().ReadFields(), kStartFields);
}

// ---------------------------------------------------------------------------
// A file that cannot be read

using UnreadableFile = TessmarTest;

TEST_F(UnreadableFile, ZeroesTheCountersKeepsOnlyItsOwnTextsAndSaysSoOnce)
{
    Open(g_files.d850);
    ASSERT_EQ(app().ReadFields(), kD850Fields);

    Open(g_files.noMaker);
    HWND message = app().WaitMessageBox();
    ASSERT_TRUE(message) << "no message for an unreadable file";
    EXPECT_EQ(app().ReadFields(), kNoMakerFields);

    wchar_t caption[64] = L"";
    GetWindowTextW(message, caption, 64);
    EXPECT_STREQ(caption, L"Tessmar") << "captioned with the program's name";
    const std::wstring text = StaticTextsOf(message);
    EXPECT_NE(text.find(L"no-maker-note.nef"), std::wstring::npos) << "the message names no file: " << Narrow(text);
    EXPECT_NE(text.find(L"This file could not be read: no maker note in this file."), std::wstring::npos)
        << "the message gives no reason: " << Narrow(text);
    EXPECT_EQ(app().OwnedDialogs().size(), 1u) << "more than one window over the main dialog";

    // The message is modal: the main dialog takes no input until it goes.
    EXPECT_FALSE(IsWindowEnabled(app().Main()));
    Click(GetDlgItem(message, IDOK));
    ASSERT_TRUE(WaitForWindowGone(message));
    ExpectNoOwnedDialogFor(kQuietPeriodMs);
    EXPECT_TRUE(IsWindowEnabled(app().Main()));
    EXPECT_EQ(app().ReadFields(), kNoMakerFields);
}

TEST_F(UnreadableFile, NotATiffFileLeavesNoTextFromAnEarlierRead)
{
    Open(g_files.d500);
    Open(g_files.notNef);
    HWND message = app().WaitMessageBox();
    ASSERT_TRUE(message) << "no message for a file that is not a NEF file";
    EXPECT_EQ(app().ReadFields(), kStartFields);
    EXPECT_NE(StaticTextsOf(message).find(L"not-a-raw.nef"), std::wstring::npos);
    Click(GetDlgItem(message, IDOK));
    ASSERT_TRUE(WaitForWindowGone(message));

    // A good file afterwards reads as usual.
    Open(g_files.d850);
    EXPECT_EQ(app().ReadFields(), kD850Fields);
    ExpectNoOwnedDialogFor(kQuietPeriodMs / 2);
}

TEST_F(UnreadableFile, AFileAnotherProgramHoldsWithoutSharingIsSaidToBeInUse)
{
    // This driver is the other program: it holds the file open and lets
    // nobody else open it, as an editor or a copy in progress may.
    const std::wstring path = WriteWide(std::filesystem::path(g_files.folder) / L"held.nef",
                                        nef_test::NefBuilder(nef_test::Order::kLittle).Model("NIKON D850").Total(9).Build());
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Open(path);
    HWND message = app().WaitMessageBox();
    CloseHandle(holder);
    ASSERT_TRUE(message) << "no message for a file in use";
    const std::wstring text = StaticTextsOf(message);
    EXPECT_NE(text.find(L"held.nef"), std::wstring::npos) << Narrow(text);
    EXPECT_NE(text.find(L"This file could not be read: in use by another program."), std::wstring::npos)
        << Narrow(text);
    EXPECT_EQ(app().ReadFields(), kStartFields);
    Click(GetDlgItem(message, IDOK));
    ASSERT_TRUE(WaitForWindowGone(message));

    // Once it is let go, the same file reads.
    Open(path);
    EXPECT_EQ(app().ReadFields(), (Fields{L"9", L"0", L"9", L"", L"NIKON D850"}));
    ExpectNoOwnedDialogFor(kQuietPeriodMs / 2);
}

// ---------------------------------------------------------------------------
// The five fields

using ReadOnlyFields = TessmarTest;

TEST_F(ReadOnlyFields, TakeTheFocusAndSelectionButTypingChangesNothing)
{
    Open(g_files.d850);
    const int ids[] = {kIdMechanical, kIdElectronic, kIdTotal, kIdShootingDate, kIdCamera};
    for (int id : ids) {
        HWND field = app().Item(id);
        SCOPED_TRACE("field " + std::to_string(id));
        EXPECT_TRUE(GetWindowLongW(field, GWL_STYLE) & ES_READONLY);
        Send(app().Main(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
        EXPECT_EQ(FocusOf(app().process().ThreadId()), field);

        // Keys through the program's own message loop, as typed...
        PressKey(field, 'X');
        PressKey(field, VK_BACK);
        PressKey(field, VK_DELETE);
        Post(field, EM_SETSEL, 1, 2);  // handled only after the keys
        ASSERT_TRUE(WaitUntil([&] {
            DWORD start = 0, end = 0;
            Send(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            return start == 1 && end == 2;
        })) << "the selection could not be set";
        // ...and characters straight to the field: a letter, Backspace,
        // Ctrl+V and Ctrl+X.
        for (WPARAM ch : {WPARAM('7'), WPARAM(0x08), WPARAM(0x16), WPARAM(0x18)})
            Send(field, WM_CHAR, ch, 1);
        Send(field, WM_PASTE, 0, 0);
        Send(field, WM_CLEAR, 0, 0);
    }
    EXPECT_EQ(app().ReadFields(), kD850Fields);
}

// ---------------------------------------------------------------------------
// System menu and about box

using SystemMenu = TessmarTest;

TEST_F(SystemMenu, EndsWithASeparatorAndTheAboutItem)
{
    std::vector<ProbeMenuItem> items;
    std::string error;
    ASSERT_TRUE(app().ReadSystemMenu(&items, &error)) << error;
    ASSERT_GE(items.size(), 3u);
    const ProbeMenuItem& last = items.back();
    const ProbeMenuItem& beforeLast = items[items.size() - 2];
    EXPECT_TRUE(beforeLast.type & MFT_SEPARATOR) << "no separator before the last item";
    EXPECT_FALSE(last.type & MFT_SEPARATOR);
    EXPECT_EQ(last.id, 0x0010u);
    EXPECT_EQ(std::wstring(last.text), L"Tessmar \xC815\xBCF4(&A)...");

    // The platform's own items are still there.
    bool hasClose = false;
    for (const ProbeMenuItem& item : items)
        hasClose = hasClose || item.id == SC_CLOSE;
    EXPECT_TRUE(hasClose);
}

TEST_F(SystemMenu, ChoosingTheLastItemOfTheOpenMenuOpensTheAboutBox)
{
    // Alt+Space, End, Enter: through the menu as the user works it.
    Post(app().Main(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
    HWND menu = WaitForTopWindow(app().process().Id(),
                                 [](const TopWindow& window) { return window.className == L"#32768"; });
    ASSERT_TRUE(menu) << "the system menu did not open";
    PressKey(app().Main(), VK_END);
    PressKey(app().Main(), VK_RETURN);
    HWND about = app().WaitAboutBox();
    ASSERT_TRUE(about) << "the menu's last item opened no about box";
    EXPECT_FALSE(IsWindowVisible(menu) && IsWindow(menu)) << "the menu stayed open";
    PressKey(FocusOf(app().process().ThreadId()), VK_RETURN);
    EXPECT_TRUE(WaitForWindowGone(about));
}

TEST_F(SystemMenu, CommandsFrom0x10To0x1FOpenTheAboutBoxEachTime)
{
    Open(g_files.d850);
    for (UINT command = 0x0010; command <= 0x001F; ++command) {
        SCOPED_TRACE("command " + std::to_string(command));
        Post(app().Main(), WM_SYSCOMMAND, command, 0);
        HWND about = app().WaitAboutBox();
        ASSERT_TRUE(about) << "no about box";
        HWND ok = GetDlgItem(about, IDOK);
        ASSERT_TRUE(ok);
        EXPECT_EQ(TextOf(ok), L"\xD655\xC778");
        EXPECT_NE(StaticTextsOf(about).find(L"Tessmar, v3.0"), std::wstring::npos);
        EXPECT_EQ(Send(about, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
        EXPECT_FALSE(IsWindowEnabled(app().Main())) << "the about box is not modal";

        // Every way of closing it returns to the main dialog.
        switch (command % 4) {
        case 0: Click(ok); break;
        case 1: PressKey(FocusOf(app().process().ThreadId()), VK_RETURN); break;
        case 2: PressKey(FocusOf(app().process().ThreadId()), VK_ESCAPE); break;
        default: Post(about, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        }
        ASSERT_TRUE(WaitForWindowGone(about)) << "the about box did not close";
        ASSERT_TRUE(app().process().Running());
        EXPECT_TRUE(IsWindowEnabled(app().Main()));
    }
    EXPECT_EQ(app().ReadFields(), kD850Fields);
}

TEST_F(SystemMenu, NeighbouringAndPlatformCommandsDoNotOpenIt)
{
    // Just below and above the item's range, and minimise and restore.
    for (UINT command : {0x000Fu, 0x0020u}) {
        Post(app().Main(), WM_SYSCOMMAND, command, 0);
        app().Settle();
    }
    ExpectNoOwnedDialogFor(kQuietPeriodMs);

    RECT before{};
    GetWindowRect(app().Main(), &before);
    Post(app().Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(app().Main()) != FALSE; })) << "SC_MINIMIZE did not minimise";
    Post(app().Main(), WM_SYSCOMMAND, SC_RESTORE, 0);
    // Restoring takes more than one step; wait for the frame it ends with.
    RECT after{};
    EXPECT_TRUE(WaitUntil([&] {
        GetWindowRect(app().Main(), &after);
        return !IsIconic(app().Main()) && EqualRect(&before, &after);
    })) << "SC_RESTORE did not restore the window to (" << before.left << ", " << before.top << ", " << before.right
        << ", " << before.bottom << "), it is at (" << after.left << ", " << after.top << ", " << after.right << ", "
        << after.bottom << ")";
    EXPECT_TRUE(app().OwnedDialogs().empty());
    EXPECT_EQ(app().ReadFields(), kStartFields);
}

// ---------------------------------------------------------------------------
// Where the dialogs open: the framework centres each modal dialog after its
// initialisation, the main dialog on the work area, the about box on its
// owner, both kept inside the work area.

using Placement = TessmarTest;

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT WorkAreaOf(HWND window)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

std::string Describe(const RECT& rect)
{
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ")-(" + std::to_string(rect.right) +
           ", " + std::to_string(rect.bottom) + ")";
}

// Within two pixels, whatever the rounding of the halves.
::testing::AssertionResult CentredOn(const RECT& inner, const RECT& outer)
{
    const long dx = (inner.left + inner.right) - (outer.left + outer.right);
    const long dy = (inner.top + inner.bottom) - (outer.top + outer.bottom);
    if (std::labs(dx) <= 4 && std::labs(dy) <= 4)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Describe(inner) << " is not centred on " << Describe(outer);
}

// Opens the about box from the system menu and returns where it opened.
RECT AboutBoxRect(Tessmar& app)
{
    Post(app.Main(), WM_SYSCOMMAND, 0x0010, 0);
    HWND about = app.WaitAboutBox();
    if (!about) {
        ADD_FAILURE() << "no about box";
        return RECT{};
    }
    const RECT rect = WindowRect(about);
    Click(GetDlgItem(about, IDOK));
    EXPECT_TRUE(WaitForWindowGone(about));
    return rect;
}

void ExpectCentredStart(Tessmar& app)
{
    const RECT main = WindowRect(app.Main());
    const RECT work = WorkAreaOf(app.Main());
    EXPECT_TRUE(CentredOn(main, work)) << "main dialog";
    EXPECT_TRUE(CentredOn(AboutBoxRect(app), main)) << "about box";
}

TEST_F(Placement, MainDialogOpensCentredOnTheWorkAreaAndTheAboutBoxOnIt)
{
    ExpectCentredStart(app());

    // Centred on its owner, wherever the user has moved it; not on the screen.
    SetWindowPos(app().Main(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app().Settle();
    const RECT moved = WindowRect(app().Main());
    ASSERT_EQ(moved.left, 40);
    EXPECT_TRUE(CentredOn(AboutBoxRect(app()), moved)) << "about box over the moved main dialog";

    // With its owner half off the screen, the about box stays inside the
    // work area.
    const RECT work = WorkAreaOf(app().Main());
    SetWindowPos(app().Main(), nullptr, work.left - (moved.right - moved.left) / 2 - 40, 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app().Settle();
    const RECT about = AboutBoxRect(app());
    EXPECT_EQ(about.left, work.left) << Describe(about);
    EXPECT_GE(about.top, work.top) << Describe(about);
}

TEST_F(Placement, ASecondInstanceOpensCentredTheSameWay)
{
    std::string error;
    std::unique_ptr<Tessmar> second = Tessmar::Launch(g_exe, g_files.folder, &error);
    ASSERT_TRUE(second) << error;
    ExpectCentredStart(*second);
    ExpectCentredStart(app());

    Click(second->Item(kIdEnd));
    DWORD code = 1;
    EXPECT_TRUE(second->process().WaitForExit(kStepTimeoutMs, &code)) << "END did not end the second instance";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(second->process().CapturedOutput(), "");
}

// ---------------------------------------------------------------------------
// Ending the program

using Ending = TessmarTest;

TEST_F(Ending, EndButtonEndsTheProcessAtOnceAfterARead)
{
    Open(g_files.d850);
    Click(app().Item(kIdEnd));
    ExpectProcessEnds("END");
}

TEST_F(Ending, EnterEndsTheProcess)
{
    PressKey(FocusOf(app().process().ThreadId()), VK_RETURN);
    ExpectProcessEnds("Enter");
}

TEST_F(Ending, EnterOnAFieldPressesTheDefaultButton)
{
    Send(app().Main(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(app().Item(kIdCamera)), TRUE);
    PressKey(app().Item(kIdCamera), VK_RETURN);
    ExpectProcessEnds("Enter in the camera field");
}

TEST_F(Ending, EscapeEndsTheProcess)
{
    PressKey(FocusOf(app().process().ThreadId()), VK_ESCAPE);
    ExpectProcessEnds("Escape");
}

TEST_F(Ending, CloseOnTheSystemMenuEndsTheProcess)
{
    Post(app().Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectProcessEnds("SC_CLOSE");
}

TEST_F(Ending, ClickOnTheCloseBoxEndsTheProcess)
{
    // Find the close box where the window itself says it is.
    RECT frame{};
    GetWindowRect(app().Main(), &frame);
    POINT box{-1, -1};
    for (LONG y = frame.top; y < frame.top + 40 && box.x < 0; ++y) {
        for (LONG x = frame.right - 1; x > frame.right - 80; --x) {
            if (Send(app().Main(), WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
                box = POINT{x - 4, y + 4};
                break;
            }
        }
    }
    ASSERT_GE(box.x, 0) << "the window has no close box";
    ASSERT_EQ(Send(app().Main(), WM_NCHITTEST, 0, MAKELPARAM(box.x, box.y)), HTCLOSE);

    // A real click, through the system's input queue.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3]{};
    for (INPUT& in : input) {
        in.type = INPUT_MOUSE;
        in.mi.dx = static_cast<LONG>((box.x * 65536LL + width - 1) / width);
        in.mi.dy = static_cast<LONG>((box.y * 65536LL + height - 1) / height);
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(50);
    SendInput(1, &input[1], sizeof(INPUT));
    Sleep(50);
    SendInput(1, &input[2], sizeof(INPUT));
    ExpectProcessEnds("a click on the close box");
}

// ---------------------------------------------------------------------------
// Resizing and dropping

using Window = TessmarTest;

TEST_F(Window, ResizingMovesNoControl)
{
    std::vector<HWND> controls = DescendantsOf(app().Main());
    ASSERT_EQ(controls.size(), 13u);
    std::vector<RECT> before;
    for (HWND control : controls)
        before.push_back(ChildRect(control));
    RECT frame{};
    GetWindowRect(app().Main(), &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    for (const SIZE size : {SIZE{width + 220, height + 160}, SIZE{width - 60, height - 50}}) {
        SetWindowPos(app().Main(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        app().Settle();
        RECT now{};
        GetWindowRect(app().Main(), &now);
        ASSERT_EQ(now.right - now.left, size.cx) << "the window was not resized";
        EXPECT_EQ(now.left, frame.left) << "the window moved";
        EXPECT_EQ(now.top, frame.top) << "the window moved";
        for (std::size_t i = 0; i < controls.size(); ++i) {
            RECT rect = ChildRect(controls[i]);
            EXPECT_TRUE(EqualRect(&rect, &before[i]) != FALSE)
                << "control " << GetDlgCtrlID(controls[i]) << " \"" << Narrow(TextOf(controls[i])) << "\" moved";
        }
    }
}

TEST_F(Window, ADroppedFileIsReadLikeAChosenOne)
{
    EXPECT_TRUE(GetWindowLongW(app().Main(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "the window accepts no files";
    std::string error;
    ASSERT_TRUE(app().DropFile(g_files.widePath, &error)) << error;
    EXPECT_TRUE(WaitUntil([&] { return app().ReadFields() == kWideFields; })) << app().ReadFields();

    ASSERT_TRUE(app().DropFile(g_files.noMaker, &error)) << error;
    HWND message = app().WaitMessageBox();
    ASSERT_TRUE(message) << "no message for an unreadable dropped file";
    EXPECT_EQ(app().ReadFields(), kNoMakerFields);
    Click(GetDlgItem(message, IDOK));
    EXPECT_TRUE(WaitForWindowGone(message));
}

}  // namespace
}  // namespace e2e

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessmar_e2e PATH-TO-Tessmar.exe [gtest options]\n");
        return 2;
    }
    // The program is built for Korean systems; its texts are only right
    // in that code page (scripts/wine-env.sh sets the locale).
    if (GetACP() != 949) {
        std::fprintf(stderr, "tessmar_e2e: the system code page is %u, not 949 (Korean)\n", GetACP());
        return 2;
    }
    e2e::g_exe = e2e::WindowsPath(argv[1]);
    if (GetFileAttributesW(e2e::g_exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "tessmar_e2e: no program at %s\n", argv[1]);
        return 2;
    }
    ::testing::AddGlobalTestEnvironment(new e2e::FixtureEnvironment);

    // Nothing here may hang a test run: after this long, every program the
    // run started is ended and the run fails.
    std::thread([] {
        Sleep(150 * 1000);
        std::fprintf(stderr, "tessmar_e2e: watchdog: the run took too long\n");
        e2e::Process::KillAll();
        ExitProcess(3);
    }).detach();
    return RUN_ALL_TESTS();
}
