// Drives a running Win32 program from another process of the same Wine (or
// Windows) session: starts it, finds its top-level windows, reads and sets
// control texts, clicks, sends keys and system commands, and waits for
// things to happen, always with a time limit.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

// How long a window or a change may take to appear before a step fails.
constexpr DWORD kStepTimeoutMs = 8000;
// How long a window is watched for something that must NOT happen.
constexpr DWORD kQuietPeriodMs = 400;

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);  // UTF-8, for test messages

// A path given on the command line: a Unix path ("/x/y") becomes the DOS
// path through Wine's Z: drive; anything else is taken as it is.
std::wstring WindowsPath(const std::string& argument);

// Polls `condition` every few milliseconds until it holds or `timeoutMs`
// has passed; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kStepTimeoutMs);

// One started process, ended by force when the object goes and the process
// still runs (a failed test leaves nothing behind).
class Process {
public:
    // Starts `exe` with the given command-line tail; its standard output
    // and standard error go to a file that CapturedOutput() reads.
    static std::unique_ptr<Process> Start(const std::wstring& exe, const std::wstring& workingDir,
                                          const std::wstring& arguments = std::wstring());
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD Id() const { return m_info.dwProcessId; }
    DWORD ThreadId() const { return m_info.dwThreadId; }
    bool Running() const;
    // Waits for the process to end; true with its exit code when it did.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    void Kill();
    // What the process wrote to its standard output and error so far.
    std::string CapturedOutput() const;
    // Ends every process started here that still runs (the watchdog's).
    static void KillAll();

private:
    Process() = default;
    PROCESS_INFORMATION m_info{};
    HANDLE m_output = INVALID_HANDLE_VALUE;
};

struct TopWindow {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    std::wstring className;
    std::wstring caption;
};

// The visible top-level windows of a process.
std::vector<TopWindow> TopWindowsOf(DWORD processId);
// Waits for a visible top-level window of the process that `match` accepts.
HWND WaitForTopWindow(DWORD processId, const std::function<bool(const TopWindow&)>& match,
                      DWORD timeoutMs = kStepTimeoutMs);
bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs = kStepTimeoutMs);

std::wstring ClassOf(HWND hwnd);
// A window's text through WM_GETTEXT, which every control answers.
std::wstring TextOf(HWND hwnd);
bool SetText(HWND hwnd, const std::wstring& text);
std::vector<HWND> DescendantsOf(HWND parent);
// All texts of a window's static controls, one per line.
std::wstring StaticTextsOf(HWND parent);

// Sends with a time limit, so that a hung program fails the test rather
// than hanging it; `ok` is false when the message was not answered.
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool* ok = nullptr);
void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// A click as the button's own accelerator does it: posted BM_CLICK.
void Click(HWND button);
// A key press as the keyboard delivers it: posted to the window that has
// the focus, so that the program's message loop sees it first.
void PressKey(HWND focusWindow, UINT virtualKey);

// The window that has the keyboard focus in the given thread.
HWND FocusOf(DWORD threadId);
// A rectangle of a child in its parent's client coordinates.
RECT ChildRect(HWND child);

// Reads an item's text from a list view of another process, through memory
// allocated in that process.
std::vector<std::wstring> ListViewItemsOf(HWND listView, DWORD processId);

}  // namespace e2e
