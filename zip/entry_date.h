// Entry dates: a modification time split into calendar parts in the local time zone, the shape minizip
// wants (month counted from 0, full year). Zip's DOS date field only spans 1980 to 2107, so known dates
// outside it are pinned to the nearest end rather than left to wrap into a wrong year.
#pragma once

#include <chrono>
#include <ctime>

namespace novawick::zip {

struct DateParts {
    unsigned second = 0;
    unsigned minute = 0;
    unsigned hour = 0;
    unsigned day = 0;    ///< day of month, 1 to 31
    unsigned month = 0;  ///< 0 (January) to 11
    unsigned year = 0;   ///< full year, for example 2022

    friend bool operator==(const DateParts&, const DateParts&) = default;
};

/// The local-time parts of `time`, pinned into the DOS date range. A time that cannot be split gives
/// all-zero parts, the same as an unknown date.
DateParts datePartsFromTime(std::time_t time) noexcept;

/// As above for a clock time; fractions of a second are dropped.
DateParts datePartsFromTime(std::chrono::system_clock::time_point time) noexcept;

}  // namespace novawick::zip
