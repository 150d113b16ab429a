// Entry points of the html5lib conformance runner, one per suite, and the shared list of expected
// differences. Each suite prints one line per failing case and ends with "N passed, M failed, K
// skipped"; it returns 0 only when some case ran and nothing failed.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::conformance {

/// Runs every test of every *.test file in `dir` through the tokeniser.
int runTokenizerSuite(const std::filesystem::path& dir, bool printDifferences);
/// Runs the tree-construction *.dat files in `dir` through the parser.
int runTreeSuite(const std::filesystem::path& dir, bool printDifferences);

/// The files of `dir` ending in `extension`, sorted. Throws std::runtime_error naming `dir` and `what`
/// when the folder is missing or holds no such file: a run over nothing must not pass.
std::vector<std::filesystem::path> suiteFiles(const std::filesystem::path& dir, std::string_view extension,
                                              std::string_view what);

/// The expected differences of one suite: case key -> reason. Lines of expected-differences.txt read
/// "suite | case key | reason"; "#" starts a comment line. Throws when the list cannot be read.
std::map<std::string, std::string> loadExpectedDifferences(std::string_view suite);

/// Counts of one run and the printing of the closing line.
struct SuiteTally {
    int passed = 0;
    int failed = 0;
    int skipped = 0;
    /// Prints "N passed, M failed, K skipped" and returns the exit status: failure also when no case ran.
    int finish() const;
};

}  // namespace novawick::conformance
