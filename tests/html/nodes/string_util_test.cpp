// The byte-level whitespace rules against a reference that segments text into user-perceived
// characters with ICU and applies the rules character by character.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "html/nodes/string_util.h"

namespace novawick::html {
namespace {

bool referenceIsWhitespace(std::string_view character) {
    return character == " " || character == "\t" || character == "\n" || character == "\f" || character == "\r" ||
           character == "\r\n";
}

std::string referenceNormalise(std::string_view text, bool stripLeading) {
    std::string out;
    bool lastWasWhite = false;
    bool reachedNonWhite = false;
    for (std::string_view character : characters(text)) {
        if (referenceIsWhitespace(character)) {
            if (lastWasWhite || (stripLeading && !reachedNonWhite)) continue;
            out += ' ';
            lastWasWhite = true;
        } else {
            out += character;
            lastWasWhite = false;
            reachedNonWhite = true;
        }
    }
    return out;
}

// A character the trim removes: one white-space-or-newline scalar, or CR LF.
bool referenceTrimmable(std::string_view character) {
    if (character == "\r\n") return true;
    int32_t index = 0;
    UChar32 c = 0;
    U8_NEXT(reinterpret_cast<const uint8_t*>(character.data()), index, static_cast<int32_t>(character.size()), c);
    if (static_cast<std::size_t>(index) != character.size()) return false;
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85) return true;
    int8_t type = u_charType(c);
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

std::string referenceTrim(std::string_view text) {
    std::vector<std::string_view> chars = characters(text);
    if (chars.empty()) return std::string(text);
    if (!referenceIsWhitespace(chars.front()) && !referenceIsWhitespace(chars.back())) return std::string(text);
    std::size_t begin = 0;
    std::size_t end = chars.size();
    while (begin < end && referenceTrimmable(chars[begin])) ++begin;
    while (end > begin && referenceTrimmable(chars[end - 1])) --end;
    std::string out;
    for (std::size_t i = begin; i < end; ++i) out += chars[i];
    return out;
}

// Pieces chosen to meet at every awkward boundary: CR LF, marks after spaces, prepended marks,
// zero-width joiners, spacing marks, no-break and ideographic spaces, control bytes inside long runs.
const std::vector<std::string> kPieces = {
    " ", " ", "\t", "\r", "\n", "\f", "\r\n", "a", "Z", "\xCC\x81" /* U+0301 */, "\xD8\x80" /* U+0600 */,
    "\xC2\xA0" /* U+00A0 */, "\xE4\xB8\xAD" /* U+4E2D */, "\xE2\x80\x8D" /* ZWJ */, "\xE0\xA4\x83" /* U+0903 */,
    "\xE3\x80\x80" /* U+3000 */, "\xC2\x85" /* U+0085 */, "\xE2\x80\xA8" /* U+2028 */,
    // Long runs and a control byte below the space, for the word-at-a-time scan.
    "wordy text", "\x01", "\x1F",
};

std::string randomText(std::mt19937& random) {
    std::uniform_int_distribution<std::size_t> length(0, 12);
    std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() - 1);
    std::string text;
    for (std::size_t n = length(random); n > 0; --n) text += kPieces[piece(random)];
    return text;
}

TEST(StringRules, NormaliseAndTrimAgreeWithCharacterReference) {
    std::mt19937 random(20240601);
    for (int i = 0; i < 20000; ++i) {
        std::string text = randomText(random);
        for (bool strip : {false, true}) {
            std::string fast;
            appendNormalisedWhitespace(fast, text, strip);
            ASSERT_EQ(fast, referenceNormalise(text, strip)) << "text: " << ::testing::PrintToString(text);
        }
        ASSERT_EQ(std::string(trim(text)), referenceTrim(text)) << "text: " << ::testing::PrintToString(text);
    }
}

TEST(StringRules, TrimExamples) {
    struct Case {
        std::string_view in, out;
    };
    const Case cases[] = {
        {"", ""}, {"x", "x"}, {"  x  ", "x"}, {"\r\nx\r\n", "x"}, {"\xC2\xA0x", "\xC2\xA0x"},
        {"\xC2\xA0x ", "x"}, {" \xC2\xA0x\xC2\xA0", "x"}, {"   ", ""}, {" \xCC\x81", " \xCC\x81"},
        // Too-long forms of U+0300 (a combining mark) and U+0600 (a prepended mark) are no marks at all,
        // so the spaces beside them stand alone.
        {" \xE0\x8C\x80", "\xE0\x8C\x80"}, {"\xE0\x98\x80 ", "\xE0\x98\x80"},
    };
    for (const Case& c : cases) EXPECT_EQ(trim(c.in), c.out) << ::testing::PrintToString(c.in);
}

TEST(StringRules, CaseHandlingIsLocaleIndependent) {
    EXPECT_EQ(toLowerCase("HeLLo"), "hello");
    EXPECT_EQ(toLowerCase("\xC3\x84RGER \xC4\xB0"), "\xC3\xA4rger i\xCC\x87");  // root locale: dotted capital I keeps its dot
    EXPECT_TRUE(equalsIgnoreCase("Straße", "STRASSE"));
    EXPECT_TRUE(equalsIgnoreCase("ID", "id"));
    EXPECT_FALSE(equalsIgnoreCase("id", "idx"));
    EXPECT_TRUE(startsWithIgnoreCase("ABS:href", "abs:"));
    EXPECT_FALSE(startsWithIgnoreCase("ab", "abs:"));
}

TEST(StringRules, CharacterCounting) {
    EXPECT_EQ(characterCount("a\r\nb"), 3u);
    EXPECT_EQ(characterCount("e\xCC\x81x"), 2u);
    EXPECT_EQ(characterCount("中文"), 2u);
    EXPECT_EQ(characterCount(""), 0u);
}

TEST(StringRules, InvalidUtf8IsHandledWithoutReadingOutOfBounds) {
    const std::string broken[] = {"\xFF ", " \xCC", "\xE4\xB8 ", " \x80\x80", "\xF0\x9F\x98"};
    for (const std::string& text : broken) {
        std::string out;
        appendNormalisedWhitespace(out, text, false);
        (void)trim(text);
        (void)characters(text);
        EXPECT_FALSE(out.empty());
    }
}

}  // namespace
}  // namespace novawick::html
