// Calendar split for entry dates; see entry_date.h for why the range is pinned.
#include "zip/entry_date.h"

namespace novawick::zip {

namespace {

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2107;

}  // namespace

DateParts datePartsFromTime(std::time_t time) noexcept {
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) {
        return {};
    }
    const int year = local.tm_year + 1900;
    if (year < kFirstDosYear) {
        return {0, 0, 0, 1, 0, kFirstDosYear};
    }
    if (year > kLastDosYear) {
        return {58, 59, 23, 31, 11, kLastDosYear};  // DOS seconds have two-second steps
    }
    // A leap second (60) has no DOS form; 59 is the closest one that does.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    return {static_cast<unsigned>(second),       static_cast<unsigned>(local.tm_min),
            static_cast<unsigned>(local.tm_hour), static_cast<unsigned>(local.tm_mday),
            static_cast<unsigned>(local.tm_mon),  static_cast<unsigned>(year)};
}

DateParts datePartsFromTime(std::chrono::system_clock::time_point time) noexcept {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(time);
    return datePartsFromTime(static_cast<std::time_t>(seconds.time_since_epoch().count()));
}

}  // namespace novawick::zip
