// UTF-8: every class of ill-formed input at the boundaries of each sequence length, the replacement of
// maximal subparts, and the block validator against a plain decoder written from the definition, with
// each case placed at every offset of a block so that it meets the block's edges.
#include "base/utf8.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace novawick::utf8 {
namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

// Decodes by the definition: the value the bits give must need exactly that many bytes and be a scalar.
Decoded referenceDecode(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0x80         ? 1
                               : lead >> 5 == 0x6  ? 2
                               : lead >> 4 == 0xE  ? 3
                               : lead >> 3 == 0x1E ? 4
                                                   : 0;
    if (length == 0 || text.size() - at < length) return {};
    char32_t value = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        if (byte(k) >> 6 != 0x2) return {};
        value = (value << 6) | (byte(k) & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return {};
    return {value, length};
}

std::size_t referenceFindInvalid(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = referenceDecode(text, at).length;
        if (length == 0) return at;
        at += length;
    }
    return kNotFound;
}

struct Case {
    const char* name;
    std::string bytes;
    std::size_t firstInvalid;
    std::string sanitised;
};

const std::vector<Case> kCases = {
    {"empty", "", kNotFound, ""},
    {"ascii with nul", std::string("a\0b", 3), kNotFound, std::string("a\0b", 3)},
    {"chinese", "搜索", kNotFound, "搜索"},
    {"two byte lowest", "\xC2\x80", kNotFound, "\xC2\x80"},
    {"two byte highest", "\xDF\xBF", kNotFound, "\xDF\xBF"},
    {"three byte lowest", "\xE0\xA0\x80", kNotFound, "\xE0\xA0\x80"},
    {"last before surrogates", "\xED\x9F\xBF", kNotFound, "\xED\x9F\xBF"},
    {"first after surrogates", "\xEE\x80\x80", kNotFound, "\xEE\x80\x80"},
    {"non-character U+FFFF", "\xEF\xBF\xBF", kNotFound, "\xEF\xBF\xBF"},
    {"four byte lowest", "\xF0\x90\x80\x80", kNotFound, "\xF0\x90\x80\x80"},
    {"highest scalar", "\xF4\x8F\xBF\xBF", kNotFound, "\xF4\x8F\xBF\xBF"},
    {"latin-1", "caf\xE9", 3, "caf\uFFFD"},
    {"lone continuation", "a\x80", 1, "a\uFFFD"},
    {"continuations after a whole scalar", "\xC3\xA9\x80\xBF", 2, "\xC3\xA9\uFFFD\uFFFD"},
    {"overlong two byte", "\xC0\xAF", 0, "\uFFFD\uFFFD"},
    {"overlong C1 lead", "\xC1\xBF", 0, "\uFFFD\uFFFD"},
    {"overlong three byte", "\xE0\x9F\xBF", 0, "\uFFFD\uFFFD\uFFFD"},
    {"overlong four byte", "\xF0\x8F\xBF\xBF", 0, "\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"surrogate high", "\xED\xA0\x80", 0, "\uFFFD\uFFFD\uFFFD"},
    {"surrogate low", "\xED\xBF\xBF", 0, "\uFFFD\uFFFD\uFFFD"},
    {"past U+10FFFF", "\xF4\x90\x80\x80", 0, "\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"F5 lead", "\xF5\x80\x80\x80", 0, "\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"FF byte", "\xFF", 0, "\uFFFD"},
    {"truncated at end", "ab\xE6\x90", 2, "ab\uFFFD"},
    {"truncated four byte", "\xF0\x9F\x98", 0, "\uFFFD"},
    {"bad third byte", "\xE6\x90\x41", 0, "\uFFFD" "A"},
    {"bad fourth byte", "\xF0\x90\x80\x41", 0, "\uFFFD" "A"},
    {"lead before a lead", "\xE6\xE6\x90\x9C", 0, "\uFFFD搜"},
    // Unicode's example of maximal subparts (chapter 3, "U+FFFD Substitution of Maximal Subparts").
    {"unicode example", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", 1,
     "a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"},
};

// Texts that hold `middle` at every offset of two blocks, after and before ASCII or Chinese text:
// each is `around`, `middle`, `around` twice.
std::vector<std::string> surroundings() {
    std::vector<std::string> arounds;
    for (const std::string& filler : {std::string("x"), std::string("中")}) {
        for (std::size_t size = 0; size < 34; ++size) {
            std::string around;
            while (around.size() + filler.size() <= size) around += filler;
            arounds.push_back(around.append(size - around.size(), 'y'));
        }
    }
    return arounds;
}

// Only the validator vouches for text.
static_assert(!std::is_constructible_v<ValidText, std::string_view>);
static_assert(!std::is_constructible_v<ValidText, const char*>);
static_assert(!std::is_default_constructible_v<ValidText>);

TEST(Utf8, FindsTheFirstInvalidSequenceAndReplacesMaximalSubparts) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(findInvalid(c.bytes), c.firstInvalid);
        EXPECT_EQ(isValid(c.bytes), c.firstInvalid == kNotFound);
        const std::optional<ValidText> validated = validate(c.bytes);
        EXPECT_EQ(validated.has_value(), c.firstInvalid == kNotFound);
        if (validated) {
            EXPECT_EQ(validated->text().data(), c.bytes.data());
        }
        EXPECT_EQ(sanitise(c.bytes), c.sanitised);
        EXPECT_TRUE(isValid(sanitise(c.bytes)));
        for (const std::string& around : surroundings()) {
            const std::string text = around + c.bytes + around + around;
            ASSERT_EQ(findInvalid(text), c.firstInvalid == kNotFound ? kNotFound : around.size() + c.firstInvalid)
                << testing::PrintToString(text);
            ASSERT_EQ(sanitise(text), around + c.sanitised + around + around) << testing::PrintToString(text);
        }
    }
}

TEST(Utf8, DecodesLikeTheDefinitionAtEveryBoundary) {
    const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xE0, 0xF4, 0xFF};
    std::vector<std::string> inputs;
    for (unsigned first = 0; first < 256; ++first) {
        for (unsigned second = 0; second < 256; ++second) inputs.push_back({char(first), char(second)});
        for (unsigned char second : edges) {
            for (unsigned char third : edges) {
                inputs.push_back({char(first), char(second), char(third)});
                for (unsigned char fourth : edges) {
                    inputs.push_back({char(first), char(second), char(third), char(fourth)});
                }
            }
        }
    }
    for (const std::string& input : inputs) {
        const Decoded expected = referenceDecode(input, 0);
        const Decoded found = decode(input, 0);
        ASSERT_EQ(found.length, expected.length) << testing::PrintToString(input);
        if (found.length != 0) {
            ASSERT_EQ(found.scalar, expected.scalar) << testing::PrintToString(input);
        }
        ASSERT_EQ(findInvalid(input), referenceFindInvalid(input)) << testing::PrintToString(input);
    }
}

TEST(Utf8, BlockValidatorAgreesWithTheDefinitionOnMixedText) {
    // Pieces of every length, and the bytes that break them; most texts stay valid for long stretches.
    const std::string pieces[] = {"a", "<p>", "\xC3\xA9", "中文", "，", "\xED\x9F\xBF", "\xE0\xA0\x80", "😀",
                                  "\xF4\x8F\xBF\xBF", " "};
    const std::string breakers[] = {"\x80", "\xC0", "\xE4\xB8", "\xED\xA0", "\xF4\x90", "\xF0\x8F", "\xFF", "\xE0\x80"};
    std::mt19937 random(20240611);
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        const std::size_t count = random() % 60;
        for (std::size_t i = 0; i < count; ++i) {
            const bool breaks = random() % 40 == 0;
            text += breaks ? breakers[random() % std::size(breakers)] : pieces[random() % std::size(pieces)];
        }
        ASSERT_EQ(findInvalid(text), referenceFindInvalid(text)) << testing::PrintToString(text);
    }
}

TEST(Utf8, IsAsciiSeesAHighByteAnywhere) {
    for (std::size_t size = 0; size < 40; ++size) {
        std::string text(size, 'a');
        EXPECT_TRUE(isAscii(text));
        for (std::size_t at = 0; at < size; ++at) {
            text[at] = '\x80';
            EXPECT_FALSE(isAscii(text)) << size << " " << at;
            text[at] = 'a';
        }
    }
}

TEST(Utf8, StepsBackToTheStartOfAScalar) {
    const std::string text = "a中😀\x80\x80\x80\x80";
    struct Step {
        std::size_t at, begin, start;
    } steps[] = {{0, 0, 0}, {1, 0, 1}, {3, 0, 1}, {4, 0, 4}, {7, 0, 4}, {7, 6, 6}, {11, 0, 8}};
    for (const Step& step : steps) EXPECT_EQ(scalarStart(text, step.at, step.begin), step.start) << step.at;

    struct Before {
        std::size_t end, begin;
        char32_t scalar;
        std::size_t length;
    } befores[] = {{1, 0, 'a', 1}, {4, 0, 0x4E2D, 3}, {8, 0, 0x1F600, 4}, {3, 0, 0, 0},
                   {8, 5, 0, 0},   {9, 0, 0, 0},      {0, 0, 0, 0}};
    for (const Before& before : befores) {
        const Decoded found = decodeBefore(text, before.end, before.begin);
        EXPECT_EQ(found.length, before.length) << before.end;
        EXPECT_EQ(found.scalar, before.scalar) << before.end;
    }
}

TEST(Utf8, EncodesEveryScalarAndReplacesWhatIsNone) {
    std::string text;
    for (char32_t scalar = 0; scalar <= 0x10FFFF; ++scalar) {
        if (scalar >= 0xD800 && scalar <= 0xDFFF) continue;
        text.clear();
        append(text, scalar);
        std::size_t length = 0;
        ASSERT_EQ(decodeValid(text, 0, length), scalar);
        ASSERT_EQ(length, text.size());
        ASSERT_EQ(decode(text, 0).length, text.size());
    }
    for (char32_t none : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}, char32_t{0xFFFFFFFF}}) {
        text.clear();
        append(text, none);
        EXPECT_EQ(text, kReplacementBytes);
    }
    std::size_t length = 0;
    EXPECT_EQ(decodeValid("\xE4\xB8", 0, length), kReplacement);  // never read past the end
    EXPECT_EQ(length, 1u);
}

TEST(Utf8, ClassifiesControlsAndReorderingCharacters) {
    struct Class {
        char32_t scalar;
        bool control, reorders;
    } classes[] = {{0x00, true, false},    {0x1F, true, false},    {0x20, false, false},   {0x7E, false, false},
                   {0x7F, true, false},    {0x9F, true, false},    {0xA0, false, false},   {0x200E, false, false},
                   {0x2029, false, false}, {0x202A, false, true},  {0x202E, false, true},  {0x202F, false, false},
                   {0x2065, false, false}, {0x2066, false, true},  {0x2069, false, true},  {0x206A, false, false}};
    for (const Class& c : classes) {
        EXPECT_EQ(isControl(c.scalar), c.control) << std::hex << std::uint32_t{c.scalar};
        EXPECT_EQ(isBidiEmbeddingOrIsolate(c.scalar), c.reorders) << std::hex << std::uint32_t{c.scalar};
    }
}

}  // namespace
}  // namespace novawick::utf8
