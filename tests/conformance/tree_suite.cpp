// The html5lib tree-construction suite: every test of every *.dat file in the folder (not its
// scripted/ subfolder) is parsed with html::parse and its tree compared with the #document section.
//
// Cases with #document-fragment (no fragment parsing here) or #script-on (no scripting) are skipped.
// The printed tree merges adjacent text nodes (this builder keeps one text node per character token,
// the html5lib trees merge them). Cases named in expected-differences.txt under "tree" are counted as
// skipped while they differ, and fail the run once they pass. A case is named by its file and the
// line of its #data heading, e.g. "tests1.dat:42".
#include <algorithm>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "html/parser/parser.h"
#include "tests/conformance/conformance_suites.h"
#include "tests/html/builder/tree_dump.h"

namespace novawick::conformance {
namespace {

struct TreeCase {
    std::size_t line = 0;  // of the #data heading, counted from 1
    std::string data;
    std::string expected;
    bool skip = false;
};

std::vector<std::string> readLines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string content = buffer.str();
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= content.size()) {
        const std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            if (start < content.size()) lines.push_back(content.substr(start));
            break;
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines, std::size_t from, std::size_t to) {
    std::string result;
    for (std::size_t i = from; i < to; ++i) {
        if (i > from) result.push_back('\n');
        result += lines[i];
    }
    return result;
}

// One test spans from its "#data" line (at the file start or after a blank line) to the next one.
TreeCase readCase(const std::vector<std::string>& lines, std::size_t begin, std::size_t end) {
    TreeCase test;
    test.line = begin + 1;
    std::size_t errors = end;
    std::size_t document = end;
    for (std::size_t i = begin + 1; i < end; ++i) {
        if (errors == end && lines[i] == "#errors") errors = i;
        if (errors != end && document == end) {
            if (lines[i] == "#document-fragment" || lines[i] == "#script-on") test.skip = true;
            if (lines[i] == "#document") document = i;
        }
    }
    test.data = joinLines(lines, begin + 1, errors);
    std::size_t last = end;
    while (last > document + 1 && lines[last - 1].empty()) --last;
    if (document != end) test.expected = joinLines(lines, document + 1, last) + "\n";
    if (document == end) test.skip = true;
    return test;
}

std::vector<TreeCase> readCases(const std::filesystem::path& file) {
    const std::vector<std::string> lines = readLines(file);
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "#data" && (i == 0 || lines[i - 1].empty())) starts.push_back(i);
    }
    std::vector<TreeCase> cases;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        cases.push_back(readCase(lines, starts[k], k + 1 < starts.size() ? starts[k + 1] : lines.size()));
    }
    return cases;
}

void printDifference(const std::string& key, const TreeCase& test, const std::string& actual) {
    std::cout << "tree | " << key << " | ?\n#data\n" << test.data << "\n#expected\n" << test.expected
              << "#actual\n" << actual << "\n";
}

}  // namespace

int runTreeSuite(const std::filesystem::path& dir, bool printDifferences) {
    const std::map<std::string, std::string> expectedDifferences = loadExpectedDifferences("tree");
    const std::vector<std::filesystem::path> files = suiteFiles(dir, ".dat", "html5lib tree-construction tests");
    std::set<std::string> seen;
    SuiteTally tally;
    for (const auto& file : files) {
        for (const TreeCase& test : readCases(file)) {
            if (test.skip) {
                ++tally.skipped;
                continue;
            }
            const std::string key = file.filename().string() + ":" + std::to_string(test.line);
            const std::string actual = novawick::testing::dumpTree(*html::parse(test.data));
            seen.insert(key);
            const bool listed = expectedDifferences.contains(key);
            if (actual == test.expected) {
                if (listed) {
                    std::cout << key << " (listed as a difference, but passes)\n";
                    ++tally.failed;
                } else {
                    ++tally.passed;
                }
            } else if (listed) {
                ++tally.skipped;
            } else {
                std::cout << key << "\n";
                if (printDifferences) printDifference(key, test, actual);
                ++tally.failed;
            }
        }
    }
    for (const auto& [key, reason] : expectedDifferences) {
        if (seen.contains(key)) continue;
        std::cout << key << " (listed as a difference, but no such case)\n";
        ++tally.failed;
    }
    return tally.finish();
}

}  // namespace novawick::conformance
