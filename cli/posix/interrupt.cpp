#include "interrupt.h"

#include <atomic>
#include <csignal>
#include <signal.h>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Lock-free atomics are safe to use in a signal handler; threads other than
// the main one may run it too.
std::atomic<int> g_signal{0};
std::atomic<bool> g_progressShown{false};

void ClearProgressLine()
{
    static const char kClear[] = "\r\033[K";
    if (g_progressShown.exchange(false))
        (void)!write(STDERR_FILENO, kClear, sizeof kClear - 1);
}

void OnSignal(int signal)
{
    int none = 0;
    if (!g_signal.compare_exchange_strong(none, signal)) {
        ClearProgressLine();
        EndBySignal(signal);
    }
}

}  // namespace

void CatchInterrupts()
{
    static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
    for (int signal : kSignals) {
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        // Reads and writes under way carry on: the run stops between files.
        action.sa_flags = SA_RESTART;
        sigaction(signal, &action, nullptr);
    }
}

int InterruptSignal() { return g_signal.load(); }

void NoteProgressLineShown(bool shown) { g_progressShown.store(shown); }

void EndBySignal(int signal)
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(signal);
    // Not reached for these signals, whose default is to end the process.
    _exit(128 + signal);
}
