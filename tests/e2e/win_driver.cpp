#include "win_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <mutex>
#include <set>

namespace e2e {

std::wstring Widen(const std::string& utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    return wide;
}

std::string Narrow(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &narrow[0], length, nullptr,
                        nullptr);
    return narrow;
}

std::wstring WindowsPath(const std::string& argument)
{
    std::wstring path = Widen(argument);
    if (path.empty() || path[0] != L'/')
        return path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return L"Z:" + path;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(10);
    }
}

namespace {

std::mutex g_startedLock;
std::set<HANDLE> g_started;

}  // namespace

std::unique_ptr<Process> Process::Start(const std::wstring& exe, const std::wstring& workingDir,
                                        const std::wstring& arguments)
{
    std::unique_ptr<Process> process(new Process);

    // A temporary file, inherited by the process as its standard output
    // and error, and gone when the driver closes it.
    wchar_t folder[MAX_PATH] = {};
    wchar_t name[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"out", 0, name);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    process->m_output = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);

    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (process->m_output != INVALID_HANDLE_VALUE) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = process->m_output;
        startup.hStdError = process->m_output;
    }
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                        workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &process->m_info)) {
        const DWORD error = GetLastError();
        CloseHandle(process->m_output);
        SetLastError(error);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_startedLock);
    g_started.insert(process->m_info.hProcess);
    return process;
}

Process::~Process()
{
    Kill();
    {
        std::lock_guard<std::mutex> lock(g_startedLock);
        g_started.erase(m_info.hProcess);
    }
    CloseHandle(m_info.hThread);
    CloseHandle(m_info.hProcess);
    if (m_output != INVALID_HANDLE_VALUE)
        CloseHandle(m_output);
}

std::string Process::CapturedOutput() const
{
    std::string text;
    if (m_output == INVALID_HANDLE_VALUE)
        return text;
    LARGE_INTEGER start{};
    SetFilePointerEx(m_output, start, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(m_output, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

void Process::KillAll()
{
    std::lock_guard<std::mutex> lock(g_startedLock);
    for (HANDLE process : g_started)
        TerminateProcess(process, 0xDEAD);
}

bool Process::Running() const
{
    return WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(m_info.hProcess, exitCode);
    return true;
}

void Process::Kill()
{
    if (m_info.hProcess && Running()) {
        TerminateProcess(m_info.hProcess, 0xDEAD);
        WaitForSingleObject(m_info.hProcess, 5000);
    }
}

namespace {

struct EnumState {
    DWORD processId;
    std::vector<TopWindow>* windows;
};

BOOL CALLBACK CollectTopWindow(HWND hwnd, LPARAM lParam)
{
    auto* state = reinterpret_cast<EnumState*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == state->processId && IsWindowVisible(hwnd)) {
        TopWindow window;
        window.hwnd = hwnd;
        window.owner = GetWindow(hwnd, GW_OWNER);
        window.className = ClassOf(hwnd);
        wchar_t caption[512] = {};
        // The caption of a top-level window is held by the system, so this
        // does not depend on the program answering.
        GetWindowTextW(hwnd, caption, 512);
        window.caption = caption;
        state->windows->push_back(window);
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam)
{
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<TopWindow> TopWindowsOf(DWORD processId)
{
    std::vector<TopWindow> windows;
    EnumState state{processId, &windows};
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&state));
    return windows;
}

HWND WaitForTopWindow(DWORD processId, const std::function<bool(const TopWindow&)>& match, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (const TopWindow& window : TopWindowsOf(processId)) {
                if (match(window)) {
                    found = window.hwnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs)
{
    return WaitUntil([&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); }, timeoutMs);
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool* ok)
{
    DWORD_PTR result = 0;
    const LRESULT answered =
        SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kStepTimeoutMs, &result);
    if (ok)
        *ok = answered != 0;
    return static_cast<LRESULT>(result);
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PostMessageW(hwnd, message, wParam, lParam);
}

std::wstring TextOf(HWND hwnd)
{
    wchar_t buffer[1024] = {};
    bool ok = false;
    const LRESULT length = Send(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), &ok);
    if (!ok)
        return L"<no answer>";
    return std::wstring(buffer, static_cast<std::size_t>(std::max<LRESULT>(0, std::min<LRESULT>(length, 1023))));
}

bool SetText(HWND hwnd, const std::wstring& text)
{
    bool ok = false;
    const LRESULT result = Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ok);
    return ok && result;
}

std::vector<HWND> DescendantsOf(HWND parent)
{
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::wstring StaticTextsOf(HWND parent)
{
    std::wstring texts;
    for (HWND child : DescendantsOf(parent)) {
        std::wstring name = ClassOf(child);
        std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return std::towlower(c); });
        if (name == L"static")
            texts += TextOf(child) + L"\n";
    }
    return texts;
}

void Click(HWND button)
{
    Post(button, BM_CLICK, 0, 0);
}

void PressKey(HWND focusWindow, UINT virtualKey)
{
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    Post(focusWindow, WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16));
    Post(focusWindow, WM_KEYUP, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
}

HWND FocusOf(DWORD threadId)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId, &info))
        return nullptr;
    return info.hwndFocus;
}

RECT ChildRect(HWND child)
{
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<std::wstring> ListViewItemsOf(HWND listView, DWORD processId)
{
    std::vector<std::wstring> items;
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        return items;
    constexpr std::size_t kTextChars = 260;
    const std::size_t bytes = sizeof(LVITEMW) + kTextChars * sizeof(wchar_t);
    auto* remote = static_cast<unsigned char*>(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
    if (remote) {
        const LRESULT count = Send(listView, LVM_GETITEMCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
            item.cchTextMax = kTextChars;
            WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
            Send(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
            wchar_t text[kTextChars] = {};
            ReadProcessMemory(process, remote + sizeof(LVITEMW), text, sizeof text - sizeof(wchar_t), nullptr);
            items.emplace_back(text);
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return items;
}

}  // namespace e2e
