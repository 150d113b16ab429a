// The character reader: UTF-8 repair, the end-of-input marker, stepping back, case-insensitive
// matching and scalar positions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/parser/character_reader.h"

namespace {

using novawick::html::CharacterReader;

std::string utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

TEST(CharacterReader, RealU0000FFFFIsOrdinaryText) {
    const std::string text = "a" + utf8(0xFFFF) + "b";
    CharacterReader reader(text);
    EXPECT_EQ(reader.consume(), U'a');
    EXPECT_EQ(reader.consume(), char32_t{0xFFFF});
    EXPECT_FALSE(reader.isEmpty());
    EXPECT_EQ(reader.consume(), U'b');
    EXPECT_TRUE(reader.isEmpty());
    EXPECT_EQ(reader.consume(), CharacterReader::kEndOfInput);
}

TEST(CharacterReader, InvalidBytesReadAsReplacementCharacters) {
    struct Case {
        std::string input;
        std::u32string scalars;
    };
    const Case cases[] = {
        {"a\xFF" "b", U"a\uFFFDb"},
        {"\xC3", U"\uFFFD"},                       // truncated at the end
        {"\xE2\x82" "x", U"\uFFFDx"},              // truncated sequence is one replacement
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},   // encoded surrogate
        {"\xF0\x80\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong
        {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\x80\x80", U"\uFFFD\uFFFD"},
        {"\xC3\xA9", U"\u00E9"},
    };
    for (const Case& c : cases) {
        CharacterReader reader(c.input);
        std::u32string got;
        while (!reader.isEmpty()) got += reader.consume();
        EXPECT_EQ(got, c.scalars) << c.input;
        EXPECT_EQ(reader.getPos(), c.scalars.size()) << c.input;
    }
}

TEST(CharacterReader, ValidatedTextIsReadInPlace) {
    const std::string text = "a" + utf8(0xE9) + utf8(0x4E2D) + utf8(0x1F600);
    CharacterReader reader(*novawick::utf8::validate(text));
    EXPECT_EQ(reader.input().data(), text.data());
    std::u32string got;
    while (!reader.isEmpty()) got += reader.consume();
    EXPECT_EQ(got, U"a\u00E9\u4E2D\U0001F600");
    reader.unconsume();
    EXPECT_EQ(reader.current(), char32_t{0x1F600});
}

TEST(CharacterReader, UnconsumeAfterEndDoesNotStepBack) {
    CharacterReader reader("ab");
    reader.advance();
    reader.advance();
    EXPECT_EQ(reader.consume(), CharacterReader::kEndOfInput);
    reader.unconsume();
    EXPECT_TRUE(reader.isEmpty());
    reader.consume();
    reader.unconsume();
    reader.unconsume();  // a real step back once the stuck read has been undone
    EXPECT_EQ(reader.current(), U'b');
}

TEST(CharacterReader, UnconsumeStepsOverWholeScalars) {
    const std::string text = "x" + utf8(0x1F600);
    CharacterReader reader(text);
    reader.advance();
    EXPECT_EQ(reader.consume(), char32_t{0x1F600});
    reader.unconsume();
    EXPECT_EQ(reader.current(), char32_t{0x1F600});
    EXPECT_EQ(reader.getPos(), 1u);
}

TEST(CharacterReader, ScanningPrimitives) {
    CharacterReader reader("one&two<three");
    EXPECT_EQ(reader.consumeData(), "one");
    EXPECT_EQ(reader.consume(), U'&');
    EXPECT_EQ(reader.consumeTo('<'), "two");
    EXPECT_EQ(reader.consumeTo('!'), "<three");
    EXPECT_TRUE(reader.isEmpty());

    CharacterReader name("Div class");
    EXPECT_EQ(name.consumeTagName(), "Div");
    struct NameCase {
        std::string text;
        std::string run;
        bool ascii;
        bool hasUpper;
    };
    const NameCase names[] = {
        {"div>", "div", true, false},       {"DiV x", "DiV", true, true},
        {"h1/", "h1", true, false},         {"d" + utf8(0xC9) + "v\t", "d" + utf8(0xC9) + "v", false, false},
        {"X" + utf8(0x4E2D), "X" + utf8(0x4E2D), false, true}, {std::string("a\0b", 3), "a", true, false},
    };
    for (const NameCase& c : names) {
        CharacterReader nameReader(c.text);
        const CharacterReader::NameRun run = nameReader.consumeTagNameRun();
        EXPECT_EQ(run.text, c.run) << c.text;
        EXPECT_EQ(run.ascii, c.ascii) << c.text;
        EXPECT_EQ(run.hasUpper, c.hasUpper) << c.text;
    }
    CharacterReader letters("amp12;x");
    EXPECT_EQ(letters.consumeLetterThenDigitSequence(), "amp12");
    CharacterReader hex("1aF9g");
    EXPECT_EQ(hex.consumeHexSequence(), "1aF9");
    const std::string accented = utf8(0xE9) + "t" + utf8(0xE9) + "1";
    CharacterReader unicodeLetters(accented);
    EXPECT_EQ(unicodeLetters.consumeLetterSequence(), utf8(0xE9) + "t" + utf8(0xE9));
}

// Runs are scanned sixteen bytes at a time when the stop set is small: a stop must be found at every
// offset within and across blocks, after multi-byte text, and a run without one must reach the end.
TEST(CharacterReader, RunScansFindTheFirstStopAtAnyOffset) {
    const novawick::html::ByteSet few{std::string_view("&<\0", 3)};
    const novawick::html::ByteSet many{"\t\n\r\f />=\"'"};
    std::vector<std::string> scalars = {"a", "b", utf8(0x4E2D), "c", utf8(0xE9)};
    for (char c = 'd'; c <= 'z'; ++c) scalars.emplace_back(1, c);
    for (const novawick::html::ByteSet* stops : {&few, &many}) {
        for (std::size_t start = 0; start < 4; ++start) {
            std::string run;
            for (const std::string& scalar : scalars) {
                run += scalar;
                for (const char stop : {'&', '<', '\0', '>', '\''}) {
                    if (!stops->contains(static_cast<unsigned char>(stop))) continue;
                    const std::string text = std::string(start, 'x') + run + stop + "tail&<";
                    CharacterReader fresh(text);
                    for (std::size_t i = 0; i < start; ++i) fresh.advance();
                    EXPECT_EQ(fresh.consumeToAny(*stops), run) << start << " " << run.size() << " " << int(stop);
                    EXPECT_EQ(fresh.current(), static_cast<char32_t>(static_cast<unsigned char>(stop)));
                }
                CharacterReader noStop(std::string(start, 'x') + run);
                for (std::size_t i = 0; i < start; ++i) noStop.advance();
                EXPECT_EQ(noStop.consumeToAny(*stops), run);
                EXPECT_TRUE(noStop.isEmpty());
            }
        }
    }
}

TEST(CharacterReader, MatchingIgnoresCaseOnlyWhenAsked) {
    CharacterReader reader("DocType html");
    EXPECT_FALSE(reader.matchConsume("DOCTYPE"));
    EXPECT_TRUE(reader.matchesIgnoreCase("doctype"));
    EXPECT_TRUE(reader.matchConsumeIgnoreCase("DOCTYPE"));
    EXPECT_EQ(reader.current(), U' ');
    EXPECT_FALSE(reader.matches("  h", false, true));
    EXPECT_EQ(reader.getPos(), 7u);
}

TEST(CharacterReader, ContainsIgnoreCaseLooksForLowerOrUpperForm) {
    CharacterReader reader("x </TITLE> y </title>");
    EXPECT_TRUE(reader.containsIgnoreCase("</Title"));
    reader.consumeTo('y');
    EXPECT_TRUE(reader.containsIgnoreCase("</Title"));
    reader.consumeTo('>');
    EXPECT_FALSE(reader.containsIgnoreCase("</Title"));
    CharacterReader mixed("</TiTle>");
    EXPECT_FALSE(mixed.containsIgnoreCase("</title"));
}

}  // namespace
