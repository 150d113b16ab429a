// Deflate levels a caller may choose. Whatever the level, entries are always written with the deflate
// method: `NoCompression` still produces a (level 0) deflate stream, never a stored entry.
#pragma once

#include <optional>

namespace novawick::zip {

enum class ZipCompression : int {
    NoCompression = 0,
    BestSpeed = 1,
    DefaultCompression = 2,
    BestCompression = 3,
};

/// The method number written for every deflated entry.
inline constexpr int kDeflateMethod = 8;

/// The zlib level handed to minizip; -1 is zlib's own default.
constexpr int zlibLevel(ZipCompression compression) noexcept {
    switch (compression) {
    case ZipCompression::NoCompression:
        return 0;
    case ZipCompression::BestSpeed:
        return 1;
    case ZipCompression::DefaultCompression:
        return -1;
    case ZipCompression::BestCompression:
        return 9;
    }
    return -1;
}

/// The raw integer value of a level.
constexpr int rawValue(ZipCompression compression) noexcept { return static_cast<int>(compression); }

/// The level with this raw value; values outside 0 to 3 give none.
constexpr std::optional<ZipCompression> compressionFromRaw(int raw) noexcept {
    if (raw < 0 || raw > 3) {
        return std::nullopt;
    }
    return static_cast<ZipCompression>(raw);
}

}  // namespace novawick::zip
