// Reading expected-differences.txt, the one list of cases where this parser deliberately differs
// from the html5lib expectations.
#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <iostream>

#include "tests/conformance/conformance_suites.h"

namespace novawick::conformance {
namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::vector<std::filesystem::path> suiteFiles(const std::filesystem::path& dir, std::string_view extension,
                                              std::string_view what) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(dir, error), end; !error && entry != end; entry.increment(error)) {
        if (entry->is_regular_file() && entry->path().extension() == extension) files.push_back(entry->path());
    }
    if (error) throw std::runtime_error("missing test data: " + dir.string() + " (" + std::string(what) + "): " + error.message());
    if (files.empty()) {
        throw std::runtime_error("missing test data: " + dir.string() + " holds no *" + std::string(extension) + " file (" +
                                 std::string(what) + ")");
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::map<std::string, std::string> loadExpectedDifferences(std::string_view suite) {
    std::map<std::string, std::string> result;
    const std::string listPath = std::string(NOVAWICK_CONFORMANCE_DIR) + "/expected-differences.txt";
    std::ifstream in(listPath);
    if (!in) throw std::runtime_error("cannot read the list of expected differences: " + listPath);
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text = trim(line);
        if (text.empty() || text.front() == '#') continue;
        const std::size_t first = text.find(" | ");
        const std::size_t second = first == std::string_view::npos ? first : text.find(" | ", first + 3);
        if (second == std::string_view::npos) continue;
        if (trim(text.substr(0, first)) != suite) continue;
        result[std::string(trim(text.substr(first + 3, second - first - 3)))] =
            std::string(trim(text.substr(second + 3)));
    }
    return result;
}

int SuiteTally::finish() const {
    std::cout << passed << " passed, " << failed << " failed, " << skipped << " skipped\n";
    if (passed + failed == 0) {
        std::cout << "FAIL no case ran\n";
        return 1;
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace novawick::conformance
