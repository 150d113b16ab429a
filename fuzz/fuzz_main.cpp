// libFuzzer's entry for one target; the build compiles this file once per target, naming the target in
// NOVAWICK_FUZZ_TARGET. Inputs over the target's cap are rejected (-1) so they never join the corpus.
#include "fuzz/entries/fuzz_entries.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const novawick::fuzz::FuzzTarget& target = novawick::fuzz::fuzzTarget(NOVAWICK_FUZZ_TARGET);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    return novawick::fuzz::runCapped(target, input) ? 0 : -1;
}
