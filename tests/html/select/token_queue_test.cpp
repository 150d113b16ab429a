// TokenQueue: the scanning rules the query parser leans on, in particular chompBalanced's quote and
// escape handling and character (grapheme cluster) positions.
#include <gtest/gtest.h>

#include <string>

#include "html/select/token_queue.h"

namespace {

using novawick::html::TokenQueue;

struct BalancedCase {
    const char* input;
    const char* chomped;
    const char* rest;
};

TEST(TokenQueueTest, ChompBalancedHonoursNestingQuotesAndEscapes) {
    const BalancedCase cases[] = {
        {"(one (two) three) four", "one (two) three", " four"},
        {"(a\\)b) c", "a\\)b", " c"},
        {"(it's) x", "it's) x", ""},         // an open quote hides the close: runs out
        {"('a)b') c", "'a)b'", " c"},
        {"(\"x\") y", "\"x\"", " y"},
        {"(unclosed", "unclosed", ""},        // runs out: everything after the open
        {"() rest", "", " rest"},
        {"x(y)", "", "(y)"},                  // not at an open: one character taken, nothing returned
        {"", "", ""},
    };
    for (const BalancedCase& c : cases) {
        TokenQueue queue(c.input);
        EXPECT_EQ(queue.chompBalanced('(', ')'), c.chomped) << c.input;
        EXPECT_EQ(queue.remainder(), c.rest) << c.input;
    }
}

TEST(TokenQueueTest, ChompBalancedBrackets) {
    TokenQueue queue("[data-x=\"]\"] div");
    EXPECT_EQ(queue.chompBalanced('[', ']'), "data-x=\"]\"");
    EXPECT_EQ(queue.remainder(), " div");
}

TEST(TokenQueueTest, UnescapeKeepsOnlyBackslashesAfterBackslashes) {
    const std::pair<const char*, const char*> cases[] = {
        {"one\\.two", "one.two"},
        {"a\\\\b", "a\\b"},
        {"\\\\\\", "\\\\"},
        {"plain", "plain"},
        {"", ""},
    };
    for (const auto& [input, expected] : cases) EXPECT_EQ(TokenQueue::unescape(input), expected) << input;
}

TEST(TokenQueueTest, ConsumeToStaysPutWhenTheSequenceIsAbsent) {
    TokenQueue queue("3)rest");
    EXPECT_EQ(queue.chompTo(")"), "3");
    EXPECT_EQ(queue.remainder(), "rest");

    TokenQueue missing("abc");
    EXPECT_EQ(missing.consumeTo(")"), "");
    EXPECT_EQ(missing.remainder(), "abc");
}

TEST(TokenQueueTest, MatchesIgnoresCaseButMatchesCSDoesNot) {
    TokenQueue queue(":CONTAINS(x)");
    EXPECT_TRUE(queue.matches(":contains("));
    EXPECT_FALSE(queue.matchesCS(":contains("));
    EXPECT_FALSE(TokenQueue(":con").matches(":contains("));
    EXPECT_TRUE(queue.matchChomp(":Contains"));
    EXPECT_EQ(queue.remainder(), "(x)");
}

TEST(TokenQueueTest, ConsumeFamiliesStopAtTheirCharacterSets) {
    TokenQueue queue("ns|tag_x-1.cls");
    EXPECT_EQ(queue.consumeElementSelector(), "ns|tag_x-1");
    EXPECT_TRUE(queue.matchChomp("."));
    EXPECT_EQ(queue.consumeCssIdentifier(), "cls");
    EXPECT_TRUE(queue.isEmpty());

    TokenQueue tags("svg:rect_1 x");
    EXPECT_EQ(tags.consumeTagName(), "svg:rect_1");
    EXPECT_TRUE(tags.consumeWhitespace());
    EXPECT_FALSE(tags.consumeWhitespace());

    TokenQueue keys("data-k:v=1");
    EXPECT_EQ(keys.consumeAttributeKey(), "data-k:v");
    EXPECT_EQ(keys.consumeToAny({"!=", "="}), "");
    EXPECT_EQ(keys.consumeToIgnoreCase("X"), "=1");
}

TEST(TokenQueueTest, PositionsCountUserPerceivedCharacters) {
    // "e" + combining acute is one character: it is a word character, and it is not "e".
    TokenQueue accented("e\xCC\x81x");
    EXPECT_FALSE(accented.matches("e"));
    EXPECT_TRUE(accented.matchesWord());
    EXPECT_EQ(accented.consume(), "e\xCC\x81");
    EXPECT_EQ(accented.consume(), "x");
    EXPECT_TRUE(accented.isEmpty());

    // A ")" carrying a combining mark is not a closing parenthesis.
    TokenQueue marked("a)\xCC\x81" "b)c");
    EXPECT_EQ(marked.chompTo(")"), "a)\xCC\x81" "b");
    EXPECT_EQ(marked.remainder(), "c");

    // CR LF is one whitespace character even in ASCII text.
    TokenQueue lines("\r\nx");
    EXPECT_TRUE(lines.matchesWhitespace());
    EXPECT_EQ(lines.consume(), "\r\n");
    EXPECT_EQ(lines.remainder(), "x");

    TokenQueue letters("\xE4\xB8\xAD\xE6\x96\x87 p");  // two CJK letters
    EXPECT_EQ(letters.consumeElementSelector(), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(TokenQueueTest, MatchesWordRejectsPunctuationAndAcceptsUnicodeDigits) {
    EXPECT_FALSE(TokenQueue("-").matchesWord());
    EXPECT_FALSE(TokenQueue("").matchesWord());
    EXPECT_TRUE(TokenQueue("\xD9\xA3").matchesWord());  // ARABIC-INDIC DIGIT THREE
    EXPECT_FALSE(TokenQueue("\xC2\xA0").matchesWhitespace());  // no-break space is not whitespace here
}

}  // namespace
