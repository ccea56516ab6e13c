// The main dialog run in-process on the real resources: what it shows at
// start, its system-menu item and the about box behind it, its icons, and
// reading dropped files, including a path that the 8-bit code page cannot
// spell and a file that cannot be read.
//
// Each test runs COrvaneDlg modally; once the dialog is up and in its modal
// loop, the test's body runs inside it and the dialog is then ended. Boxes
// that the dialog opens (the about box, the failure message) are recorded
// and closed by a hook as they are activated, so no test can block.
#include "stdafx.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "nef_builder.h"
#include "orvanedlg.h"
#include "problem_strings.h"

namespace {

// Posted to the dialog once it runs: the test body's turn.
const UINT kRunBody = WM_APP + 1;

class ProbeDlg : public COrvaneDlg {
public:
    explicit ProbeDlg(std::function<void(ProbeDlg&)> body) : m_body(std::move(body)) {}

    std::wstring FieldText(int id) const
    {
        wchar_t text[256] = L"";
        ::GetDlgItemTextW(m_hWnd, id, text, 256);
        return text;
    }

    bool ran = false;

protected:
    BOOL OnInitDialog() override
    {
        BOOL result = COrvaneDlg::OnInitDialog();
        ::PostMessageW(m_hWnd, kRunBody, 0, 0);
        return result;
    }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == kRunBody) {
            ran = true;
            m_body(*this);
            EndDialog(IDCANCEL);
            *pResult = 0;
            return TRUE;
        }
        return COrvaneDlg::OnWndMsg(message, wParam, lParam, pResult);
    }

private:
    std::function<void(ProbeDlg&)> m_body;
};

// Runs the dialog with `body` inside its modal loop.
void RunDialog(const std::function<void(ProbeDlg&)>& body)
{
    ProbeDlg dlg(body);
    AfxGetApp()->m_pMainWnd = &dlg;
    INT_PTR result = dlg.DoModal();
    AfxGetApp()->m_pMainWnd = NULL;
    ASSERT_EQ(result, IDCANCEL) << "the dialog could not be created";
    ASSERT_TRUE(dlg.ran);
}

// A dialog box (about box, message box) that appeared while a watcher was in
// place: its caption and the texts of its static controls.
struct SeenBox {
    std::wstring caption;
    std::wstring text;
};

// What a watcher does with a box once it has been recorded.
using BoxResponse = std::function<void(HWND box)>;

void PressOk(HWND box)
{
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// Records every dialog box activated on this thread, other than the main
// dialog, and answers it (by default, as IDOK would).
class BoxWatcher {
public:
    explicit BoxWatcher(HWND mainDialog, BoxResponse respond = PressOk)
        : m_main(mainDialog), m_respond(std::move(respond))
    {
        s_current = this;
        m_hook = ::SetWindowsHookExW(WH_CBT, &BoxWatcher::Hook, NULL, ::GetCurrentThreadId());
    }
    ~BoxWatcher()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    const std::vector<SeenBox>& Seen() const { return m_seen; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_ACTIVATE && s_current != nullptr)
            s_current->Activated(reinterpret_cast<HWND>(wParam));
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }

    static BOOL CALLBACK CollectStatic(HWND child, LPARAM lParam)
    {
        wchar_t className[32] = L"";
        ::GetClassNameW(child, className, 32);
        if (::lstrcmpiW(className, L"Static") == 0) {
            wchar_t text[1024] = L"";
            ::GetWindowTextW(child, text, 1024);
            auto* all = reinterpret_cast<std::wstring*>(lParam);
            *all += text;
            *all += L"\n";
        }
        return TRUE;
    }

    void Activated(HWND box)
    {
        wchar_t className[32] = L"";
        ::GetClassNameW(box, className, 32);
        if (box == m_main || std::wstring(className) != L"#32770")
            return;
        for (HWND known : m_boxes)
            if (known == box)
                return;
        m_boxes.push_back(box);
        SeenBox seen;
        wchar_t caption[256] = L"";
        ::GetWindowTextW(box, caption, 256);
        seen.caption = caption;
        ::EnumChildWindows(box, &BoxWatcher::CollectStatic, reinterpret_cast<LPARAM>(&seen.text));
        m_seen.push_back(seen);
        m_respond(box);
    }

    static BoxWatcher* s_current;
    HWND m_main;
    BoxResponse m_respond;
    HHOOK m_hook = NULL;
    std::vector<HWND> m_boxes;
    std::vector<SeenBox> m_seen;
};

BoxWatcher* BoxWatcher::s_current = nullptr;

std::string Narrow(const std::wstring& wide)
{
    int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, NULL, 0, NULL, NULL);
    std::string text(length > 0 ? length - 1 : 0, '\0');
    if (length > 1)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &text[0], length, NULL, NULL);
    return text;
}

// A folder of test files, named in Thai, which code page 949 cannot spell,
// so that only a wide-character path reaches the files in it.
class ThaiFolder {
public:
    ThaiFolder()
    {
        wchar_t temp[MAX_PATH] = L"";
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"\u0E20\u0E32\u0E1E-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_path.c_str(), NULL);
    }
    ~ThaiFolder()
    {
        for (const std::wstring& file : m_files)
            ::DeleteFileW(file.c_str());
        ::RemoveDirectoryW(m_path.c_str());
    }
    ThaiFolder(const ThaiFolder&) = delete;
    ThaiFolder& operator=(const ThaiFolder&) = delete;

    const std::wstring& Path() const { return m_path; }

    std::wstring Write(const std::wstring& name, const std::vector<std::uint8_t>& bytes)
    {
        std::wstring file = m_path + L"\\" + name;
        FILE* out = ::_wfopen(file.c_str(), L"wb");
        EXPECT_NE(out, nullptr) << Narrow(file);
        if (out != nullptr) {
            std::fwrite(bytes.data(), 1, bytes.size(), out);
            std::fclose(out);
        }
        m_files.push_back(file);
        return file;
    }

private:
    std::wstring m_path;
    std::vector<std::wstring> m_files;
};

// Drops files on the dialog as the shell does: an HDROP with wide names,
// which the receiver releases with DragFinish.
void DropFiles(HWND target, const std::vector<std::wstring>& files)
{
    std::wstring list;
    for (const std::wstring& file : files) {
        list += file;
        list += L'\0';
    }
    list += L'\0';
    SIZE_T bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GHND, bytes);
    ASSERT_NE(memory, nullptr);
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<BYTE*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    ::SendMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

// Answers the open-file dialog: types `path` as the file name and confirms,
// or cancels when `path` is empty. The name box is an edit control, on its
// own (Explorer-style dialog) or inside a combo box (classic dialog).
BoxResponse ChooseFile(const std::wstring& path)
{
    return [path](HWND box) {
        if (path.empty()) {
            ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        HWND name = ::GetDlgItem(box, 0x480);
        if (name == NULL)
            name = ::FindWindowExW(::GetDlgItem(box, 0x47C), NULL, L"Edit", NULL);
        if (name == NULL) {
            // Not the open-file dialog: a message box, which must not
            // block the test.
            ADD_FAILURE() << "a box without a file-name box appeared";
            PressOk(box);
            return;
        }
        ::SetWindowTextW(name, path.c_str());
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    };
}

void ClickNefOpen(HWND dialog)
{
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_NEF_OPEN, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_NEF_OPEN)));
}

std::vector<std::uint8_t> D850File()
{
    return nef_test::NefBuilder(nef_test::Order::kLittle)
        .Model("NIKON D850")
        .DateTime("2026:12:08 10:11:12")
        .Mechanical(1000)
        .Total(1500)
        .Build();
}

TEST(MainDialog, StartsWithZeroCountersAndEmptyTexts)
{
    RunDialog([](ProbeDlg& dlg) {
        EXPECT_EQ(dlg.FieldText(IDC_MECHANICAL), L"0");
        EXPECT_EQ(dlg.FieldText(IDC_ELECTRONIC), L"0");
        EXPECT_EQ(dlg.FieldText(IDC_TOTAL), L"0");
        EXPECT_EQ(dlg.FieldText(IDC_SHOOTING_DATE), L"");
        EXPECT_EQ(dlg.FieldText(IDC_CAMERA), L"");
    });
}

TEST(MainDialog, ShowsTheApplicationIcon)
{
    RunDialog([](ProbeDlg& dlg) {
        HICON icon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(dlg.m_hWnd, WM_GETICON, ICON_BIG, 0)), icon);
        EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(dlg.m_hWnd, WM_GETICON, ICON_SMALL, 0)), icon);
        // The cursor while the minimised window is dragged.
        EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(dlg.m_hWnd, WM_QUERYDRAGICON, 0, 0)), icon);
    });
}

TEST(MainDialog, SystemMenuEndsWithTheAboutItem)
{
    RunDialog([](ProbeDlg& dlg) {
        HMENU menu = ::GetSystemMenu(dlg.m_hWnd, FALSE);
        ASSERT_NE(menu, nullptr);
        int count = ::GetMenuItemCount(menu);
        ASSERT_GE(count, 2);

        MENUITEMINFOW separator = {};
        separator.cbSize = sizeof(separator);
        separator.fMask = MIIM_FTYPE;
        ASSERT_TRUE(::GetMenuItemInfoW(menu, count - 2, TRUE, &separator));
        EXPECT_TRUE(separator.fType & MFT_SEPARATOR);

        EXPECT_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
        wchar_t text[64] = L"";
        ::GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
        // Korean text through the 8-bit code page: needs code page 949.
        EXPECT_EQ(Narrow(text), "Tessmar 정보(&A)...");
    });
}

TEST(MainDialog, AboutBoxOpensForEverySystemCommandOfTheItem)
{
    RunDialog([](ProbeDlg& dlg) {
        BoxWatcher watcher(dlg.m_hWnd);
        // The system keeps flags in the low four bits of a command.
        ::SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, 0x0010, 0);
        ::SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, 0x0013, 0);
        ::SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, 0x001F, 0);
        // The next command up is not the item's.
        ::SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, 0x0020, 0);
        ASSERT_EQ(watcher.Seen().size(), 3u);
        for (const SeenBox& box : watcher.Seen()) {
            EXPECT_EQ(box.caption, L"Tessmar info.");
            EXPECT_NE(box.text.find(L"Tessmar, v3.0"), std::wstring::npos) << Narrow(box.text);
        }
        EXPECT_EQ(dlg.FieldText(IDC_MECHANICAL), L"0") << "the about box changes nothing";
    });
}

TEST(MainDialog, DroppedFileInAFolderOutsideTheCodePageIsRead)
{
    ThaiFolder folder;
    std::wstring good = folder.Write(L"\u0E01.nef", D850File());
    RunDialog([&](ProbeDlg& dlg) {
        BoxWatcher watcher(dlg.m_hWnd);
        // Only the first of several dropped files is read.
        DropFiles(dlg.m_hWnd, {good, folder.Write(L"second.nef", {'n', 'o'})});
        EXPECT_TRUE(watcher.Seen().empty()) << "a good file gives no message";
        EXPECT_EQ(dlg.FieldText(IDC_MECHANICAL), L"1000");
        EXPECT_EQ(dlg.FieldText(IDC_ELECTRONIC), L"500");
        EXPECT_EQ(dlg.FieldText(IDC_TOTAL), L"1500");
        EXPECT_EQ(dlg.FieldText(IDC_SHOOTING_DATE), L"2026:12:08 10:11:12");
        EXPECT_EQ(dlg.FieldText(IDC_CAMERA), L"NIKON D850");

        // Reading the controls back and showing the record again changes
        // nothing: END's exchange is harmless.
        EXPECT_TRUE(dlg.UpdateData(TRUE));
        EXPECT_TRUE(dlg.UpdateData(FALSE));
        EXPECT_EQ(dlg.FieldText(IDC_ELECTRONIC), L"500");
        EXPECT_EQ(dlg.FieldText(IDC_SHOOTING_DATE), L"2026:12:08 10:11:12");
        EXPECT_EQ(dlg.FieldText(IDC_CAMERA), L"NIKON D850");
    });
}

TEST(MainDialog, NefOpenReadsAFileInAFolderOutsideTheCodePage)
{
    ThaiFolder folder;
    std::wstring file = folder.Write(L"\u0E03.nef", D850File());
    RunDialog([&](ProbeDlg& dlg) {
        {
            BoxWatcher watcher(dlg.m_hWnd, ChooseFile(file));
            ClickNefOpen(dlg.m_hWnd);
            ASSERT_EQ(watcher.Seen().size(), 1u) << "the open-file dialog, and no message after it";
        }
        EXPECT_EQ(dlg.FieldText(IDC_MECHANICAL), L"1000");
        EXPECT_EQ(dlg.FieldText(IDC_ELECTRONIC), L"500");
        EXPECT_EQ(dlg.FieldText(IDC_TOTAL), L"1500");
        EXPECT_EQ(dlg.FieldText(IDC_CAMERA), L"NIKON D850");

        // Cancelling the next choice leaves everything as it was.
        {
            BoxWatcher watcher(dlg.m_hWnd, ChooseFile(L""));
            ClickNefOpen(dlg.m_hWnd);
            ASSERT_EQ(watcher.Seen().size(), 1u);
        }
        EXPECT_EQ(dlg.FieldText(IDC_TOTAL), L"1500");
        EXPECT_EQ(dlg.FieldText(IDC_SHOOTING_DATE), L"2026:12:08 10:11:12");
        EXPECT_EQ(dlg.FieldText(IDC_CAMERA), L"NIKON D850");
    });
}

TEST(MainDialog, UnreadableFileClearsTheFieldsAndSaysWhy)
{
    ThaiFolder folder;
    std::wstring good = folder.Write(L"good.nef", D850File());
    std::vector<std::uint8_t> junk(64, 'x');
    std::wstring bad = folder.Write(L"\u0E02.nef", junk);
    NefReadout readout;
    NefOutcome expected = ReadNefFile(bad.c_str(), readout);
    ASSERT_FALSE(expected.Succeeded());

    RunDialog([&](ProbeDlg& dlg) {
        DropFiles(dlg.m_hWnd, {good});
        ASSERT_EQ(dlg.FieldText(IDC_CAMERA), L"NIKON D850");

        BoxWatcher watcher(dlg.m_hWnd);
        DropFiles(dlg.m_hWnd, {bad});
        ASSERT_EQ(watcher.Seen().size(), 1u) << "one message, and only one";
        const SeenBox& box = watcher.Seen()[0];
        // Captioned as the framework's own messages are: with the application's name.
        std::string appName = AfxGetAppName();
        EXPECT_EQ(box.caption, std::wstring(appName.begin(), appName.end()));
        EXPECT_NE(box.text.find(bad), std::wstring::npos) << "names the file: " << Narrow(box.text);
        std::wstring reason(expected.Reason(), expected.Reason() + std::strlen(expected.Reason()));
        EXPECT_NE(box.text.find(reason), std::wstring::npos) << "gives the reason: " << Narrow(box.text);

        // Nothing of the first file is left to be mistaken for this one's.
        EXPECT_EQ(dlg.FieldText(IDC_MECHANICAL), L"0");
        EXPECT_EQ(dlg.FieldText(IDC_ELECTRONIC), L"0");
        EXPECT_EQ(dlg.FieldText(IDC_TOTAL), L"0");
        EXPECT_EQ(dlg.FieldText(IDC_SHOOTING_DATE), L"");
        EXPECT_EQ(dlg.FieldText(IDC_CAMERA), L"");
    });
}

// Why a dropped path gives no readout, in the dialog's own words: a folder
// is called a folder, a file that another program holds without sharing is
// in use, a name longer than the system allows is too long, and a missing
// file is missing, not merely unopenable.
TEST(MainDialog, DroppedPathsThatCannotBeOpenedSayWhy)
{
    ThaiFolder folder;
    std::wstring held = folder.Write(L"held.nef", D850File());
    std::wstring inner = folder.Path() + L"\\\u0E04.nef";
    ASSERT_TRUE(::CreateDirectoryW(inner.c_str(), NULL));
    HANDLE holder = ::CreateFileW(held.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    RunDialog([&](ProbeDlg& dlg) {
        BoxWatcher watcher(dlg.m_hWnd);
        DropFiles(dlg.m_hWnd, {inner});
        DropFiles(dlg.m_hWnd, {held});
        DropFiles(dlg.m_hWnd, {folder.Path() + L"\\" + std::wstring(300, L'n') + L".nef"});
        DropFiles(dlg.m_hWnd, {folder.Path() + L"\\absent.nef"});
        ASSERT_EQ(watcher.Seen().size(), 4u);
        EXPECT_NE(watcher.Seen()[0].text.find(L"This file could not be read: a folder, not a file."), std::wstring::npos)
            << Narrow(watcher.Seen()[0].text);
        EXPECT_NE(watcher.Seen()[1].text.find(L"This file could not be read: in use by another program."),
                  std::wstring::npos)
            << Narrow(watcher.Seen()[1].text);
        EXPECT_NE(watcher.Seen()[2].text.find(L"This file could not be read: the path is too long."), std::wstring::npos)
            << Narrow(watcher.Seen()[2].text);
        EXPECT_NE(watcher.Seen()[3].text.find(L"This file could not be read: no such file."), std::wstring::npos)
            << Narrow(watcher.Seen()[3].text);
    });
    ::CloseHandle(holder);
    ::RemoveDirectoryW(inner.c_str());
}

// The dialog's texts come from its string table; every problem the reader
// can report must have one there, saying what the reader says.
TEST(MainDialog, EveryReaderProblemHasItsStringTableText)
{
    for (int i = 0; i < static_cast<int>(NefProblem::kCount); ++i) {
        const NefProblem problem = static_cast<NefProblem>(i);
        if (problem == NefProblem::kNone)
            continue;
        const UINT id = ProblemStringId(problem);
        ASSERT_NE(id, 0u) << "no string for " << NefProblemText(problem);
        wchar_t text[256] = L"";
        ASSERT_GT(::LoadStringW(::GetModuleHandleW(NULL), id, text, 256), 0) << "string " << id << " missing";
        const char* reason = NefProblemText(problem);
        EXPECT_EQ(std::wstring(text), std::wstring(reason, reason + std::strlen(reason))) << "string " << id;
    }
    EXPECT_EQ(ProblemStringId(NefProblem::kNone), 0u);
}

}  // namespace

// The framework's application object, which the dialog asks for its icon.
CWinApp testApp;

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!AfxWinInit(::GetModuleHandleW(NULL), NULL, ::GetCommandLineA(), SW_SHOWNORMAL)) {
        std::fprintf(stderr, "the framework could not be initialised\n");
        return 1;
    }
    int result = RUN_ALL_TESTS();
    AfxWinTerm();
    return result;
}
