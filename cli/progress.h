// A one-line "read N of M files" indicator on standard error, for long runs
// in a terminal only: scripts and pipes never see it.
#pragma once

#include <chrono>
#include <cstddef>

class Progress {
public:
    // Shown only when there are more than `threshold` files and standard
    // error is a terminal.
    Progress(std::size_t total, std::size_t threshold = 300);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void FileDone();
    // Clears the indicator's line so that a message can take it.
    void ClearLine();

private:
    void Show();

    std::size_t m_total;
    std::size_t m_done = 0;
    bool m_enabled;
    std::chrono::steady_clock::time_point m_lastShown{};
};
