// One in-memory entry for `Zip::zipData`: a name inside the archive, the bytes, and an optional date.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace novawick::zip {

struct ArchiveFile {
    std::string filename;                                              ///< entry name, written as given
    std::vector<std::uint8_t> data;                                    ///< entry bytes; empty: no entry
    std::optional<std::chrono::system_clock::time_point> modifiedTime;  ///< absent: zero date parts
};

}  // namespace novawick::zip
