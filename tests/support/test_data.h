// The test data kept under tests/data. Missing or empty data fails the test with its path and what it
// is, so that a checkout without it can never pass by checking nothing.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace novawick::testing {

/// The repository's test-data folder.
inline std::filesystem::path testDataFolder() { return NOVAWICK_TEST_DATA_DIR; }

/// The bytes of `path`; throws naming the path and `what` when the file is missing, unreadable or empty.
inline std::string readTestData(const std::filesystem::path& path, std::string_view what) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("missing test data: " + path.string() + " (" + std::string(what) + ")");
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.empty()) throw std::runtime_error("empty test data: " + path.string() + " (" + std::string(what) + ")");
    return bytes;
}

}  // namespace novawick::testing
