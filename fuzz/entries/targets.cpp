// The table of fuzz targets and the one way an entry reports a broken invariant.
#include "fuzz/entries/fuzz_entries.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace novawick::fuzz {
namespace {

// Caps keep each execution fast enough for libFuzzer to explore; the hostile-document tests cover size.
constexpr std::array kTargets{
    FuzzTarget{"html_parse", &fuzzHtmlParse, 64 * 1024},
    FuzzTarget{"selector_query", &fuzzSelectorQuery, 512},
    FuzzTarget{"entities_unescape", &fuzzEntitiesUnescape, 16 * 1024},
    FuzzTarget{"zip_unzip", &fuzzZipUnzip, 64 * 1024},
    FuzzTarget{"content_spill", &fuzzContentSpill, 64 * 1024},
    FuzzTarget{"form_encode", &fuzzFormEncode, 4 * 1024},
    FuzzTarget{"url_join", &fuzzUrlJoin, 4 * 1024},
    FuzzTarget{"content_decode", &fuzzContentDecode, 64 * 1024},
    FuzzTarget{"site_pages", &fuzzSitePages, 16 * 1024},
};

}  // namespace

std::span<const FuzzTarget> fuzzTargets() { return kTargets; }

const FuzzTarget& fuzzTarget(std::string_view name) {
    for (const FuzzTarget& target : kTargets) {
        if (target.name == name) return target;
    }
    invariantBroken(name, "no fuzz target of this name");
}

bool runCapped(const FuzzTarget& target, std::string_view input) {
    if (input.size() > target.maximumInputBytes) return false;
    target.run(input);
    return true;
}

void invariantBroken(std::string_view target, std::string_view what) {
    std::fprintf(stderr, "%.*s: invariant broken: %.*s\n", static_cast<int>(target.size()), target.data(),
                 static_cast<int>(what.size()), what.data());
    std::abort();
}

}  // namespace novawick::fuzz
