#include "progress.h"

#include <algorithm>
#include <cstdio>

#include "descriptors.h"
#include "interrupt.h"
#include "write_all.h"

// Each update is one write, so that nothing else lands inside it; a failed
// write only costs the indicator.

Progress::Progress(std::size_t total, std::size_t threshold)
    : m_total(total), m_enabled(total > threshold && IsTerminal(kStandardError) && !IsTerminal(kStandardOutput))
{
}

Progress::~Progress() { ClearLine(); }

void Progress::ClearLine()
{
    if (!m_shown)
        return;
    static const char kClear[] = "\r\033[K";
    WriteAll(kStandardError, kClear, sizeof kClear - 1);
    m_shown = false;
    NoteProgressLineShown(false);
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
    char line[64];
    const int length = std::snprintf(line, sizeof line, "\rread %zu of %zu files", m_done, m_total);
    if (length > 0)
        WriteAll(kStandardError, line, std::min(static_cast<std::size_t>(length), sizeof line - 1));
    m_shown = true;
    NoteProgressLineShown(true);
}
