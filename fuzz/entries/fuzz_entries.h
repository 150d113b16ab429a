// The fuzz targets' bodies, kept apart from libFuzzer so that the same functions run in two places:
// under libFuzzer (fuzz/fuzz_main.cpp) and, in every ordinary test run, over the committed seed corpus
// and the inputs that once crashed (tests/robustness/fuzz_regression_test.cpp). Each entry caps its input,
// swallows only the errors its subject documents for bad input, and aborts when an invariant breaks, so
// that any other failure surfaces as a crash.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace novawick::fuzz {

/// One fuzz target: its name (also its corpus and regression folder name), its body and its input cap.
struct FuzzTarget {
    std::string_view name;
    void (*run)(std::string_view input);
    std::size_t maximumInputBytes;
};

/// `html::parse`, then the body's text and the scrapers' queries (plus a few structural ones).
void fuzzHtmlParse(std::string_view input);
/// An arbitrary query parsed, then selected over a fixed document.
void fuzzSelectorQuery(std::string_view input);
/// `Entities::unescape` in both modes, and escaping round trips.
void fuzzEntitiesUnescape(std::string_view input);
/// `Zip::unzipFile` on arbitrary archive bytes into a private folder; nothing may appear outside it.
void fuzzZipUnzip(std::string_view input);
/// `Content::content` on an arbitrary spill file, and the write-read round trip of what it gave.
void fuzzContentSpill(std::string_view input);
/// `pages::queryParameterString` on an arbitrary form table; the encoding must decode back exactly.
void fuzzFormEncode(std::string_view input);
/// `Url::parse`, `appendingPathComponent` and the site's path joining on arbitrary text.
void fuzzUrlJoin(std::string_view input);
/// The HTTP layer's content decoders on a body in arbitrary pieces under a cap; the pieces must not matter.
void fuzzContentDecode(std::string_view input);
/// The novel-site client's search, introduction and chapter download against a site that answers every
/// request with the same page.
void fuzzSitePages(std::string_view input);

/// Every target, in a fixed order.
std::span<const FuzzTarget> fuzzTargets();
/// The target of this name; aborts when there is none (a build mistake, not an input).
const FuzzTarget& fuzzTarget(std::string_view name);
/// Runs a target on one input; false (and nothing run) when the input is over the target's cap.
bool runCapped(const FuzzTarget& target, std::string_view input);

/// Reports a broken invariant on standard error and aborts, which libFuzzer and ctest both catch.
[[noreturn]] void invariantBroken(std::string_view target, std::string_view what);

}  // namespace novawick::fuzz
