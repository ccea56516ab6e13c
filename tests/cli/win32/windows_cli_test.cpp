// The Windows side of tessmar behind its interfaces, run under Wine: wide
// names and lone surrogates kept exactly, names Windows would take for
// something else refused, long paths, the walk's order and its refusal of
// links, the reasons for files it cannot open, and the chart's replace.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "camera_file.h"
#include "chart_file.h"
#include "file_list.h"
#include "nef_builder.h"
#include "wide_text.h"
#include "windows_paths.h"

namespace {

// A folder of the test's own under the system's temporary folder, wide.
class WideTempDir {
public:
    WideTempDir()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_path = std::wstring(base) + L"tessmar-win-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount64());
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~WideTempDir() { Remove(L"\\\\?\\" + m_path); }
    const std::wstring& Path() const { return m_path; }

private:
    static void Remove(const std::wstring& path)
    {
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring child = path + L"\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(child);
                else
                    DeleteFileW(child.c_str());
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(path.c_str());
    }
    std::wstring m_path;
};

void WriteFileW(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << "error " << GetLastError();
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    ASSERT_EQ(bytes.size(), written);
}

std::vector<std::uint8_t> Nef(std::uint32_t total)
{
    return nef_test::NefBuilder().Model("NIKON D850").DateTime("2018:09:02 19:40:44").Mechanical(total - 1).Total(total).Build();
}

// Whether the ANSI code page spells `wide` exactly.
bool AnsiSpells(const std::wstring& wide)
{
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), static_cast<int>(wide.size()), nullptr,
                                      0, nullptr, &lost);
    return n > 0 && !lost;
}

// Greek, Japanese, Chinese, Korean, an emoji (a surrogate pair), combining
// marks (e and a combining acute; a Hangul syllable in jamo).
const std::vector<std::wstring> kWideNames = {
    L"\u03A6\u03C9\u03C4\u03BF.nef", L"\u5199\u771F.NEF", L"\u7167\u7247.jpg", L"\uC0AC\uC9C4.nef",
    L"\U0001F4F7 trip.nef",          L"cafe\u0301.nef",   L"\u1112\u1161\u11AB.NEF",
};

}  // namespace

TEST(WideText, NamesComeBackExactlyLoneSurrogatesIncluded)
{
    struct Case {
        std::wstring wide;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {L"a.nef", "a.nef"},
        {L"\u03A6.nef", "\xCE\xA6.nef"},
        {L"\uC0AC", "\xEC\x82\xAC"},
        {L"\U0001F4F7", "\xF0\x9F\x93\xB7"},
        {L"e\u0301", "e\xCC\x81"},
        {std::wstring(1, wchar_t(0xD800)) + L".nef", "\xED\xA0\x80.nef"},             // a lone high surrogate
        {std::wstring(1, wchar_t(0xDFFF)), "\xED\xBF\xBF"},                           // a lone low one
        {std::wstring{wchar_t(0xDC00), wchar_t(0xD800)}, "\xED\xB0\x80\xED\xA0\x80"},  // a pair the wrong way round
        {std::wstring{wchar_t(0xD83D)} + L"x", "\xED\xA0\xBDx"},                       // a high one cut off
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.bytes, Wtf8FromWide(c.wide));
        EXPECT_EQ(c.wide, WideFromWtf8(c.bytes));
    }
}

TEST(WideText, AConsoleGetsWholeCharactersAcrossWrites)
{
    std::string carry;
    // The emoji's four bytes in two writes, then a Korean syllable in three.
    EXPECT_EQ(L"a", WideForConsole("a\xF0\x9F", carry));
    EXPECT_EQ(L"\U0001F4F7b", WideForConsole("\x93\xB7" "b", carry));
    EXPECT_EQ(L"", WideForConsole("\xEC", carry));
    EXPECT_EQ(L"", WideForConsole("\x82", carry));
    EXPECT_EQ(L"\uC0AC\n", WideForConsole("\xAC\n", carry));
    EXPECT_EQ("", carry);
    // A byte that starts no character is shown as one replacement.
    EXPECT_EQ(L"\uFFFDz", WideForConsole("\xFFz", carry));
}

TEST(WindowsNames, ThoseWindowsWouldTakeForSomethingElseAreRefused)
{
    for (const char* device : {"NUL", "con", "COM1.nef", "photos\\LPT9.NEF", "c:/x/aux .jpg", "Nul.tar.nef", "COM\xC2\xB9.nef",
                               "\\\\.\\PhysicalDrive0", "CONOUT$"})
        EXPECT_STREQ("a device name that Windows keeps for itself", WindowsNameProblem(device)) << device;
    for (const char* trailing : {"a.nef.", "a.nef ", "photos.\\a.nef", "photos /a.nef"})
        EXPECT_STREQ("the name ends in a dot or a space, which Windows leaves out", WindowsNameProblem(trailing))
            << trailing;
    for (const char* fine : {"a.nef", "CONSOLE.nef", "COM10.nef", "xNUL.nef", "..\\a.nef", ".\\photos\\a.nef", "C:a.nef",
                             "photos\\", "\\\\?\\C:\\x\\NUL", "\\\\?\\C:\\x\\a.nef."})
        EXPECT_EQ(nullptr, WindowsNameProblem(fine)) << fine;
}

TEST(WindowsNames, LongPathsTakeTheVerbatimForm)
{
    EXPECT_EQ(L"photos/a.nef", SystemPath("photos/a.nef"));
    const std::string deep = "C:/" + std::string(120, 'a') + "/./" + std::string(120, 'b') + "/../c/DSC_0001.NEF";
    EXPECT_EQ(L"\\\\?\\C:\\" + std::wstring(120, L'a') + L"\\c\\DSC_0001.NEF", SystemPath(deep));
    const std::string share = "\\\\server\\share\\" + std::string(250, 'd') + "\\a.nef";
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\" + std::wstring(250, L'd') + L"\\a.nef", SystemPath(share));
}

TEST(WindowsWalk, WideNamesDeepPathsInTheNativeOrderUnderAnAnsiCodePage)
{
    WideTempDir dir;
    const std::wstring root = dir.Path() + L"\\lib";
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    std::vector<std::wstring> files;
    for (const std::wstring& name : kWideNames)
        files.push_back(root + L"\\" + name);
    // A folder named in Greek beside the files, and a path of over 300
    // characters below it.
    std::wstring deep = root + L"\\\u0391\u03B8\u03AE\u03BD\u03B1";
    CreateDirectoryW(deep.c_str(), nullptr);
    for (int i = 0; i < 4; ++i) {
        deep += L"\\" + std::wstring(70, static_cast<wchar_t>(L'p' + i));
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr)) << GetLastError();
    }
    files.push_back(deep + L"\\DSC_0001.NEF");
    ASSERT_GT(files.back().size(), 300u);
    // (A name with a lone surrogate is left to the conversion's test:
    // Wine keeps names as UTF-8 on the Unix side and cannot hold one.)
    for (std::size_t i = 0; i < files.size(); ++i)
        WriteFileW(L"\\\\?\\" + files[i], Nef(static_cast<std::uint32_t>(100 + i)));
    // The names' point: the ANSI code page cannot spell them.
    for (const std::wstring& name : kWideNames)
        EXPECT_FALSE(AnsiSpells(name)) << "code page " << GetACP();

    // In the byte order of their UTF-8 paths written with '/', printed with '\'.
    const std::string rootBytes = Wtf8FromWide(root);
    std::vector<std::string> want;
    for (const std::wstring& file : files) {
        std::string bytes = Wtf8FromWide(file);
        std::replace(bytes.begin(), bytes.end(), '\\', '/');
        want.push_back(bytes);
    }
    std::sort(want.begin(), want.end());
    for (std::string& path : want)
        std::replace(path.begin(), path.end(), '/', '\\');

    std::vector<std::string> got;
    for (const ListedPath& listed : ListFiles({rootBytes}, true)) {
        EXPECT_EQ("", listed.problem) << listed.path;
        got.push_back(listed.path);
    }
    EXPECT_EQ(want, got);
    for (const std::string& path : got) {
        NefReadout readout;
        std::string reason;
        EXPECT_TRUE(ReadCameraFile(path, readout, reason)) << path << ": " << reason;
        EXPECT_EQ("NIKON D850", readout.m_camera) << path;
    }
    // Given as an argument with '/' and a relative step, the deep file too.
    NefReadout readout;
    std::string reason;
    std::string given = Wtf8FromWide(deep) + "/../" + std::string(70, 's') + "/DSC_0001.NEF";
    std::replace(given.begin(), given.end(), '\\', '/');
    EXPECT_TRUE(ReadCameraFile(given, readout, reason)) << reason;
    EXPECT_EQ(100 + static_cast<int>(kWideNames.size()), readout.m_totalCount);
}

TEST(WindowsWalk, JunctionsAreNotFollowedAndAFileArgumentIsListed)
{
    WideTempDir dir;
    const std::wstring root = dir.Path() + L"\\lib";
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    WriteFileW(root + L"\\a.nef", Nef(5));
    // A link from inside the folder to the folder itself: followed, it
    // would be walked for ever.
    const bool linked = CreateSymbolicLinkW((root + L"\\loop").c_str(), root.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
    const std::string rootBytes = Wtf8FromWide(root);
    const std::vector<ListedPath> listed = ListFiles({rootBytes, rootBytes + "\\a.nef", rootBytes + "\\none.nef"}, true);
    ASSERT_EQ(3u, listed.size());
    EXPECT_EQ(rootBytes + "\\a.nef", listed[0].path);
    EXPECT_EQ(rootBytes + "\\a.nef", listed[1].path);
    EXPECT_EQ(rootBytes + "\\none.nef", listed[2].path);
    if (!linked)
        GTEST_SKIP() << "this system made no folder link (error " << GetLastError() << ")";
}

TEST(WindowsOpen, EachCauseIsNamed)
{
    WideTempDir dir;
    const std::string root = Wtf8FromWide(dir.Path());
    WriteFileW(dir.Path() + L"\\held.nef", Nef(7));
    CreateDirectoryW((dir.Path() + L"\\folder.nef").c_str(), nullptr);
    // Another program holds the file without sharing it.
    const HANDLE held = CreateFileW((dir.Path() + L"\\held.nef").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    struct Case {
        std::string path;
        NefProblem problem;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {root + "\\held.nef", NefProblem::kInUse, "in use by another program"},
        {root + "\\missing.nef", NefProblem::kNoSuchFile, "no such file"},
        {root + "\\no folder\\a.nef", NefProblem::kNoSuchFile, "no such file"},
        {root + "\\folder.nef", NefProblem::kFolder, "a folder, not a file"},
        {"NUL", NefProblem::kCannotOpen, "a device name that Windows keeps for itself"},
        {root + "\\COM1.nef", NefProblem::kCannotOpen, "a device name that Windows keeps for itself"},
        {root + "\\held.nef.", NefProblem::kCannotOpen, "the name ends in a dot or a space, which Windows leaves out"},
        {root + "\\held.nef ", NefProblem::kCannotOpen, "the name ends in a dot or a space, which Windows leaves out"},
    };
    for (const Case& c : cases) {
        // A readout that held another file's figures keeps none of them.
        NefReadout readout;
        readout.m_camera = "NIKON D1";
        readout.m_totalCount = 99;
        std::string reason;
        const NefOutcome outcome = ReadCameraFile(c.path, readout, reason);
        EXPECT_EQ(c.problem, outcome.Problem()) << c.path;
        EXPECT_EQ(c.reason, reason) << c.path;
        EXPECT_EQ("", readout.m_camera) << c.path;
        EXPECT_EQ(0, readout.m_totalCount) << c.path;
    }
    CloseHandle(held);
    NefReadout readout;
    std::string reason;
    EXPECT_TRUE(ReadCameraFile(root + "\\held.nef", readout, reason)) << reason;
    EXPECT_EQ(7, readout.m_totalCount);
}

TEST(WindowsChart, ReplacedWholeOrLeftAsItWas)
{
    WideTempDir dir;
    const std::string root = Wtf8FromWide(dir.Path());
    const std::string chart = root + "\\\uC0AC\uC9C4.svg";
    EXPECT_EQ(0, CheckChartFile(chart));
    EXPECT_EQ(0, WriteChartFile(chart, "<svg>one</svg>"));
    EXPECT_EQ(0, WriteChartFile(chart, "<svg>two</svg>"));
    const HANDLE h = CreateFileW(WideFromWtf8(chart).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    char text[64] = {};
    DWORD read = 0;
    ReadFile(h, text, sizeof text, &read, nullptr);
    CloseHandle(h);
    EXPECT_EQ("<svg>two</svg>", std::string(text, read));

    EXPECT_EQ(ENOENT, CheckChartFile(root + "\\no folder\\c.svg"));
    EXPECT_EQ(ENOENT, WriteChartFile(root + "\\no folder\\c.svg", "x"));
    EXPECT_EQ(EISDIR, CheckChartFile(root));
    EXPECT_EQ(0, WriteChartFile("NUL", "<svg/>"));  // a device is written through
    // Nothing but the chart is left behind.
    int entries = 0;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((dir.Path() + L"\\*").c_str(), &data);
    do
        entries += std::wstring(data.cFileName) != L"." && std::wstring(data.cFileName) != L"..";
    while (FindNextFileW(find, &data));
    FindClose(find);
    EXPECT_EQ(1, entries);
}
