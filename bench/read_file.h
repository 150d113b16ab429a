// Reading a whole input file for the benchmark programs.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace novawick::bench {

/// Reads the whole file into `content`; false when it cannot be opened.
inline bool readFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return true;
}

}  // namespace novawick::bench
