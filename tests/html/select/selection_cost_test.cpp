// A selection's work grows with the subtree it searches, not with the square of it, counted rather
// than timed: the bytes a selection allocates (the text tests used to build every candidate's text
// anew) and the calls an inner evaluator receives (:has used to walk every candidate's subtree anew).
// This program counts every allocation, so it holds these tests alone.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "html/nodes/nodes.h"
#include "html/parser/parser.h"
#include "html/select/evaluator.h"
#include "html/select/match_context.h"
#include "html/select/selector.h"
#include "html/select/structural_evaluator.h"

namespace {
std::atomic<std::size_t> allocatedBytes{0};
}  // namespace

void* operator new(std::size_t size) {
    allocatedBytes += size;
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kScale = 10;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t kScale = 10;
#else
constexpr std::size_t kScale = 1;
#endif
#else
constexpr std::size_t kScale = 1;
#endif

std::string chain(std::size_t depth, std::string_view word) {
    std::string html;
    for (std::size_t i = 0; i < depth; ++i) html.append("<span>").append(word);
    return html + "end";
}

// Bytes allocated while `query` runs on the body.
std::size_t bytesOfSelection(const novawick::html::Document& document, const std::string& query, std::size_t& found) {
    const std::size_t before = allocatedBytes;
    found = document.body()->select(query).size();
    return allocatedBytes - before;
}

// Nested elements, each with a word before the next: every candidate's text is most of the page.
// Besides what grows with the page, texts built one by one within their allowance may take a few
// bytes for each unit of it (the text, its lower-case copy).
TEST(SelectionCostTest, TextTestsAllocateInProportionToThePage) {
    const std::size_t depth = 20'000 / kScale;
    const std::string html = chain(depth, "w ");
    const auto document = novawick::html::parse(html);
    const std::size_t bound = 64 * html.size() + 4 * novawick::html::MatchContext::kTextAloneAllowance;
    struct Case {
        const char* query;
        std::size_t expected;
    } cases[] = {
        {"span:contains(zzz)", 0},
        {"span:contains(W END)", depth},
        {"span:matches(zzz)", 0},
        {"span:matches(^w)", depth},
        {"span:has(b)", 0},
        {"span:not(:contains(zzz))", depth},
    };
    for (const Case& c : cases) {
        std::size_t found = 0;
        const std::size_t bytes = bytesOfSelection(*document, c.query, found);
        EXPECT_EQ(found, c.expected) << c.query;
        EXPECT_LE(bytes, bound) << c.query;
    }
}

// Counts its calls; matches `p` elements.
class CountingTag final : public novawick::html::Evaluator {
public:
    bool matches(const novawick::html::Element&, const novawick::html::Element& element) const override {
        ++calls;
        return element.tagNameNormal() == "p";
    }
    std::string toString() const override { return "p"; }

    mutable std::size_t calls = 0;
};

TEST(SelectionCostTest, HasTestsEachElementOnce) {
    const std::size_t depth = 20'000 / kScale;
    const auto document = novawick::html::parse(chain(depth, "") + "<p>");
    const std::size_t elements = document->select("*").size();
    auto counting = std::make_shared<CountingTag>();
    struct Case {
        const char* label;
        novawick::html::EvaluatorPtr evaluator;
        std::size_t expected;  // matches: every element above the p
    } cases[] = {
        {":has(p)", std::make_shared<novawick::html::StructuralEvaluator::Has>(counting), depth + 3},
        {":has(:has(p))", std::make_shared<novawick::html::StructuralEvaluator::Has>(std::make_shared<novawick::html::StructuralEvaluator::Has>(counting)),
         depth + 2},
    };
    for (const Case& c : cases) {
        counting->calls = 0;
        EXPECT_EQ(novawick::html::select(*c.evaluator, *document).size(), c.expected) << c.label;
        // Once per element, besides a short walk of at most 64 elements per candidate.
        EXPECT_LE(counting->calls, 65 * elements) << c.label;
    }
}

}  // namespace
