// A one-line "read N of M files" indicator on standard error, for long runs
// whose output goes somewhere other than the terminal: scripts and pipes
// never see it, and it never shares a terminal with the output, so it can
// neither split an output line nor erase one.
#pragma once

#include <chrono>
#include <cstddef>

class Progress {
public:
    // Shown only when there are more than `threshold` files, standard
    // error is a terminal and standard output is not (the output then
    // shows the progress itself).
    Progress(std::size_t total, std::size_t threshold = 300);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void FileDone();
    // Clears the indicator's line, if it shows, so that a message can take
    // it; the next update draws it again below the message.
    void ClearLine();

private:
    void Show();

    std::size_t m_total;
    std::size_t m_done = 0;
    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_lastShown{};
};
