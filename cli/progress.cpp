#include "progress.h"

#include <cstdio>
#include <unistd.h>

Progress::Progress(std::size_t total, std::size_t threshold)
    : m_total(total), m_enabled(total > threshold && isatty(STDERR_FILENO))
{
}

Progress::~Progress() { ClearLine(); }

void Progress::ClearLine()
{
    if (m_enabled)
        std::fputs("\r\033[K", stderr);
}

void Progress::FileDone()
{
    ++m_done;
    if (!m_enabled)
        return;
    // A few updates a second are enough to see it move.
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastShown >= std::chrono::milliseconds(100) || m_done == m_total) {
        m_lastShown = now;
        Show();
    }
}

void Progress::Show()
{
    std::fprintf(stderr, "\rread %zu of %zu files", m_done, m_total);
    std::fflush(stderr);
}
