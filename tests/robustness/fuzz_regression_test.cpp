// Replays every committed fuzz input through the same entry functions libFuzzer drives: the seed corpus
// (fuzz/corpus/<target>/) and every input that once crashed (fuzz/regressions/<target>/). An input that
// crashes, trips a sanitizer, breaks an invariant or lets an undocumented exception escape fails here
// in every ordinary build, clang or g++, without libFuzzer.
#include "fuzz/entries/fuzz_entries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace novawick::fuzz {
namespace {

namespace fs = std::filesystem;

const fs::path kFuzzFolder = fs::path(NOVAWICK_SOURCE_DIR) / "fuzz";

std::vector<fs::path> inputsOf(const fs::path& folder) {
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename() != "README.md") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FuzzInputs : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzInputs, CorpusAndPastCrashesRunClean) {
    const FuzzTarget& target = GetParam();
    const std::vector<fs::path> corpus = inputsOf(kFuzzFolder / "corpus" / target.name);
    EXPECT_FALSE(corpus.empty()) << "no seed corpus for " << target.name;
    std::vector<fs::path> inputs = corpus;
    const std::vector<fs::path> regressions = inputsOf(kFuzzFolder / "regressions" / target.name);
    inputs.insert(inputs.end(), regressions.begin(), regressions.end());
    for (const fs::path& file : inputs) {
        SCOPED_TRACE(file.string());
        const std::string bytes = readFile(file);
        // Seeds are kept under the cap; a crash input over it would never have been run by libFuzzer.
        EXPECT_LE(bytes.size(), target.maximumInputBytes);
        EXPECT_NO_THROW(runCapped(target, bytes));
    }
}

TEST_P(FuzzInputs, DegenerateInputsRunClean) {
    const FuzzTarget& target = GetParam();
    const std::string degenerate[] = {
        "", std::string(1, '\0'), std::string(target.maximumInputBytes, '\xff'), std::string(target.maximumInputBytes, '<'),
        std::string(target.maximumInputBytes / 2, '['), "\n\n\n", "&&&&;;;;", "PK\x03\x04",
    };
    for (const std::string& input : degenerate) {
        SCOPED_TRACE(input.substr(0, 16));
        EXPECT_NO_THROW(runCapped(target, input));
    }
    EXPECT_FALSE(runCapped(target, std::string(target.maximumInputBytes + 1, 'a')));
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzInputs, ::testing::ValuesIn(fuzzTargets().begin(), fuzzTargets().end()),
                         [](const ::testing::TestParamInfo<FuzzTarget>& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace novawick::fuzz
