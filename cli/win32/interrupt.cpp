#include "interrupt.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <io.h>

#include "descriptors.h"

namespace {

// What Windows reports for a program that Ctrl+C ended.
constexpr UINT kEndedByControlC = 0xC000013A;

// The console's events arrive on a thread of their own; lock-free atomics
// carry them to the run.
std::atomic<int> g_signal{0};
std::atomic<bool> g_progressShown{false};

void ClearProgressLine()
{
    static const char kClear[] = "\r\033[K";
    if (g_progressShown.exchange(false)) {
        DWORD written = 0;
        WriteFile(reinterpret_cast<HANDLE>(_get_osfhandle(kStandardError)), kClear, sizeof kClear - 1, &written, nullptr);
    }
}

// Ctrl+C and Ctrl+Break ask the run to stop as SIGINT does on other
// systems; closing the console, logging off and shutting down as SIGTERM.
// The first event is taken (the run stops between two files); a second
// ends the process at once.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    int none = 0;
    if (!g_signal.compare_exchange_strong(none, signal)) {
        ClearProgressLine();
        EndBySignal(signal);
    }
    return TRUE;
}

}  // namespace

void CatchInterrupts()
{
    static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int InterruptSignal() { return g_signal.load(); }

void NoteProgressLineShown(bool shown) { g_progressShown.store(shown); }

void EndBySignal(int signal)
{
    ExitProcess(signal == SIGINT ? kEndedByControlC : 128 + static_cast<UINT>(signal));
}
