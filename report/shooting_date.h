// Shooting dates as cameras write them in TIFF's DateTime text,
// "YYYY:MM:DD HH:MM:SS" in the camera's own clock (no time zone), turned
// into seconds that order and subtract as time does, and back into a
// calendar date for a chart's axis.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct CivilDate {
    int year;
    int month;  // 1 to 12
    int day;    // 1 to 31
};

// The text's seconds since 1970:01:01 00:00:00, or none when it is not a
// real date in exactly that form: cameras whose clock was never set write
// "0000:00:00 00:00:00", and edited files may hold anything.
std::optional<std::int64_t> ShootingSeconds(const std::string& text);

// Midnight at the start of `date`, in the same seconds.
std::int64_t SecondsAt(const CivilDate& date);

// The calendar date that `seconds` falls on.
CivilDate DateAt(std::int64_t seconds);

constexpr std::int64_t kSecondsPerDay = 86400;
