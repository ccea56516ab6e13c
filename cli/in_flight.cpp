#include "in_flight.h"

#include <cstdlib>

std::optional<InFlight> InFlightSetting(const char* text)
{
    if (!text)
        return InFlight{};
    // Digits only: no sign, no blanks, no hex.
    std::size_t value = 0;
    if (*text == '\0')
        return std::nullopt;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(*c - '0');
        if (value > kMaxFilesInFlight)
            return std::nullopt;
    }
    if (value == 0)
        return std::nullopt;
    return InFlight{value, true};
}

bool StorageWaits::Record(std::chrono::steady_clock::duration took)
{
    m_recent = (m_recent << 1 | (took >= kWaited ? 1u : 0u)) & 0xFFu;
    int waited = 0;
    for (unsigned bits = m_recent; bits != 0; bits &= bits - 1)
        ++waited;
    return waited >= 4;
}
