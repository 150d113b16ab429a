// The tokeniser: token streams of the tricky states (table-driven), recorded error messages, the
// API the tree builder drives, and a no-crash sweep over arbitrary bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "html/nodes/exception.h"
#include "html/parser/character_reader.h"
#include "html/parser/parse_error.h"
#include "html/parser/tokeniser.h"

namespace {

using novawick::html::TokeniserState;
using S = novawick::html::TokeniserState;

// One token as text: <name a="v" b>, </name>, "chars", <!--data-->, <!?bogus-->,
// <!DOCTYPE name "public" "system" quirks>.
std::string describe(const novawick::html::Token& token) {
    switch (token.type()) {
        case novawick::html::TokenType::Doctype: {
            const auto& d = token.asDoctype();
            std::string out = "<!DOCTYPE " + d.name;
            if (!d.pubSysKey.empty()) out += " " + d.pubSysKey;
            if (!d.publicIdentifier.empty()) out += " \"" + d.publicIdentifier + "\"";
            if (!d.systemIdentifier.empty()) out += " \"" + d.systemIdentifier + "\"";
            return out + (d.forceQuirks ? " quirks>" : ">");
        }
        case novawick::html::TokenType::StartTag:
        case novawick::html::TokenType::EndTag: {
            const auto& tag = token.asTag();
            std::string out = (token.isStartTag() ? "<" : "</") + tag.name();
            for (const auto& a : tag.attributes()) out += a.isBoolean ? " " + a.name : " " + a.name + "=\"" + a.value + "\"";
            return out + (tag.isSelfClosing() ? "/>" : ">");
        }
        case novawick::html::TokenType::Comment:
            return (token.asComment().bogus ? "<!?" : "<!--") + token.asComment().data + "-->";
        case novawick::html::TokenType::Char: return "\"" + std::string(token.asCharacter().text()) + "\"";
        case novawick::html::TokenType::EndOfFile: return "EOF";
    }
    return "";
}

struct TokenRun {
    std::string tokens;
    std::vector<std::string> errors;
};

TokenRun tokenise(const std::string& input, S state = S::Data, const char* lastStartTag = nullptr) {
    novawick::html::CharacterReader reader(input);
    novawick::html::ParseErrorList errors = novawick::html::ParseErrorList::tracking(100);
    novawick::html::Tokeniser tokeniser(reader, &errors);
    tokeniser.transition(state);
    if (lastStartTag != nullptr) tokeniser.setLastStartTag(lastStartTag);
    TokenRun run;
    for (int guard = 0; guard < 1000; ++guard) {
        const novawick::html::Token& token = tokeniser.read();
        if (token.isEOF()) break;
        run.tokens += (run.tokens.empty() ? "" : " ") + describe(token);
    }
    for (const auto& error : errors) run.errors.push_back(error.message);
    return run;
}

struct StreamCase {
    const char* name;
    std::string input;
    std::string tokens;
    S state = S::Data;
    const char* lastStartTag = nullptr;
};

class TokenStream : public testing::TestWithParam<StreamCase> {};

TEST_P(TokenStream, Matches) {
    const StreamCase& c = GetParam();
    EXPECT_EQ(tokenise(c.input, c.state, c.lastStartTag).tokens, c.tokens) << c.input;
}

const StreamCase kStreams[] = {
    {"ReferenceJoinsText", "a&amp;b", "\"a&b\""},
    {"LegacyReferenceWithoutSemicolon", "&amp=x", "\"&=x\""},
    {"WholeLetterRunIsTheName", "&ampx; &notit", "\"&ampx; &notit\""},
    {"ReferenceInAttributeFollowedByEquals", "<a href=\"?x=1&amp=2&lt;\">", "<a href=\"?x=1&amp=2<\">"},
    {"UnquotedValueReference", "<a b=&gt;c>", "<a b=\">c\">"},
    {"NumericReferences", "&#x41;&#0;&#128;&#xD800;", std::string("\"A") + '\0' + "\u0080\uFFFD\""},
    {"NulInDataKept", std::string("a\0b", 3), std::string("\"a\0b\"", 5)},
    {"NulInTagNameReplaced", std::string("<a\0b>", 5), "<a\uFFFDb>"},
    {"NulInRcdataReplaced", std::string("x\0", 2), "\"x\uFFFD\"", S::Rcdata},
    {"NulInPlaintextReplaced", std::string("<\0>", 3), "\"<\uFFFD>\"", S::PLAINTEXT},
    {"U0000FFFFIsText", "a\uFFFFb<p>", "\"a\uFFFFb\" <p>"},
    {"InvalidUtf8IsReplaced", "a\xFF<b\xC3>", "\"a\uFFFD\" <b\uFFFD>"},
    {"TagCaseKept", "<DIV Class=x>", "<DIV Class=\"x\">"},
    {"RepeatedAttributeKeepsLastValue", "<a x=1 y x=2>", "<a x=\"2\" y>"},
    {"EmptyQuotedValueIsNotBoolean", "<a b=\"\" c>", "<a b=\"\" c>"},
    {"SelfClosing", "<br/><p / >", "<br/> <p>"},
    {"EndTagAttributes", "</p a=1>", "</p a=\"1\">"},
    {"ProcessingInstructionIsBogusComment", "<?php x?>", "<!??php x?-->"},
    {"BangAtEndIsEmptyBogusComment", "<!", "<!?-->"},
    {"EndTagOpenOddities", "</>x</1>", "\"x\" <!?1-->"},
    {"CdataInData", "<![CDATA[a<b]]>c", "\"a<bc\""},
    {"EmptyCdataGivesNoToken", "<![CDATA[]]><p>", "<p>"},
    {"EmptyComment", "<!---->", "<!---->"},
    {"DashesAfterCommentStartDropped", "<!----x-->", "<!--x-->"},
    {"CommentEndBang", "<!--a--!>b", "<!--a--> \"b\""},
    {"CommentEndDashes", "<!--a---->", "<!--a---->"},  // data "a--"
    {"DoctypeAtEnd", "<!DOCTYPE", "<!DOCTYPE  quirks>"},
    {"DoctypeWithoutSpace", "<!DOCTYPEhtml>", "<!DOCTYPE html>"},
    {"DoctypeCaseKept", "<!doctype HTML>", "<!DOCTYPE HTML>"},
    {"DoctypeBadSystemKeyword", "<!DOCTYPE x SYSTEMy>", "<!DOCTYPE x SYSTEM quirks>"},
    {"DoctypeIdentifiers", "<!DOCTYPE html PUBLIC \"-//W3C\" 'x.dtd'>",
     "<!DOCTYPE html PUBLIC \"-//W3C\" \"x.dtd\">"},
    {"DoctypeWithoutNameEndsAtGreaterThan", "<!DOCTYPE ><p>", "<!DOCTYPE  quirks> <p>"},
    {"TitleWithoutEndTagEndsEarly", "a<b>c", "\"a\" </title> <b> \"c\"", S::Rcdata, "title"},
    {"TitleWithLaterEndTagKeepsMarkup", "a<b>c</TITLE>", "\"a<b>c\" </TITLE>", S::Rcdata, "title"},
    {"RcdataPartialEndTagAtEnd", "x</tit", "\"x</tit\"", S::Rcdata, "title"},
    {"RcdataOtherEndTagIsText", "</b></title >", "\"</b>\" </title>", S::Rcdata, "title"},
    {"RawtextEndTag", "<b>&amp;</style>", "\"<b>&amp;\" </style>", S::Rawtext, "style"},
    {"ScriptEndsWithLessThan", "x<", "\"x<\"", S::ScriptData, "script"},
    {"ScriptEscapedUpperScriptDoesNotDoubleEscape", "<!--<SCRIPT></script>x", "\"<!--<SCRIPT>\" </script> \"x\"",
     S::ScriptData, "script"},
    {"ScriptDoubleEscaped", "<!--<script></script>--></script>",
     "\"<!--<script></script>-->\" </script>", S::ScriptData, "script"},
    {"ScriptEscapedDashes", "<!-- -- ->--></script>", "\"<!-- -- ->-->\" </script>", S::ScriptData, "script"},
    {"PlaintextTakesEverything", "</plaintext><p>", "\"</plaintext><p>\"", S::PLAINTEXT},
    {"CdataState", "x]]>y", "\"xy\"", S::CdataSection},
    {"LessThanNotATag", "a < b <3", "\"a < b <3\""},
    // Text is lent as a view of the input while it is one run; pieces that are not must be joined.
    {"SeparatedRunsJoin", "a</>b&lt;c</>d", "\"ab<cd\""},
    // References written whole are decoded at once (the last name is remembered); the rest take the
    // general path, which must give the same answers.
    {"RepeatedWholeReferences", "&nbsp;&nbsp;x&amp;&nbsp;", "\"\u00A0\u00A0x&\u00A0\""},
    {"WholeReferenceWithDigitsAndTwoScalars", "&frac12;&NotEqualTilde;", "\"\u00BD\u2242\u0338\""},
    {"UnknownWholeNameStaysText", "&nbsp;&nbspx;&nbsp", "\"\u00A0&nbspx;\u00A0\""},
    {"OverlongNameStaysText", "&" + std::string(40, 'a') + ";", "\"&" + std::string(40, 'a') + ";\""},
    {"NonAsciiLetterJoinsTheName", "&amp\u00E9;", "\"&amp\u00E9;\""},
};

INSTANTIATE_TEST_SUITE_P(Tokeniser, TokenStream, testing::ValuesIn(kStreams),
                         [](const testing::TestParamInfo<StreamCase>& testInfo) { return testInfo.param.name; });

TEST(TokeniserErrors, MessagesAsRecorded) {
    struct Case {
        std::string input;
        std::string error;
    };
    const Case cases[] = {
        {"&amp x", "Invalid character reference: missing semicolon"},
        {"&foo;", "Invalid character reference: invalid named referenece 'foo'"},
        {"&nbsp;&foo;", "Invalid character reference: invalid named referenece 'foo'"},
        {"&#;", "Invalid character reference: numeric reference with no numerals"},
        {"&#xD800;", "Invalid character reference: character outside of valid range"},
        {"</p a=1>", "Attributes incorrectly present on end tag"},
        {"<=", "Unexpected character '=' in input state [TokeniserState]"},
        // states that consume first report the scalar after the offending one
        {"<a b='c'x>", "Unexpected character '>' in input state [TokeniserState]"},
        {"<a", "Unexpectedly reached end of file (EOF) in input state [TokeniserState]"},
    };
    for (const Case& c : cases) {
        const TokenRun run = tokenise(c.input);
        ASSERT_FALSE(run.errors.empty()) << c.input;
        EXPECT_EQ(run.errors.front(), c.error) << c.input;
    }
}

TEST(TokeniserErrors, PositionsCountScalarsAndListStopsWhenFull) {
    novawick::html::CharacterReader reader("\u00E9\u00E9&foo; &bar; &baz;");
    novawick::html::ParseErrorList errors = novawick::html::ParseErrorList::tracking(2);
    novawick::html::Tokeniser tokeniser(reader, &errors);
    while (!tokeniser.read().isEOF()) {
    }
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].position, 3u);  // after "éé&", where the name starts
}

TEST(TokeniserApi, SelfClosingFlagMustBeAcknowledged) {
    novawick::html::CharacterReader reader("<br/><img/>");
    novawick::html::ParseErrorList errors = novawick::html::ParseErrorList::tracking(10);
    novawick::html::Tokeniser tokeniser(reader, &errors);
    EXPECT_TRUE(tokeniser.read().asTag().isSelfClosing());
    EXPECT_FALSE(tokeniser.selfClosingFlagAcknowledged());
    tokeniser.acknowledgeSelfClosingFlag();
    EXPECT_EQ(tokeniser.read().asTag().name(), "img");
    EXPECT_EQ(tokeniser.lastStartTag(), "img");
    EXPECT_TRUE(tokeniser.read().isEOF());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message, novawick::html::tokeniser_messages::kSelfClosingNotAcknowledged);
}

TEST(TokeniserApi, EmittedTokenComesNextAndDoubleEmitFails) {
    novawick::html::CharacterReader reader("<div/>x");
    novawick::html::Tokeniser tokeniser(reader, nullptr);
    novawick::html::EndTagToken end;
    EXPECT_EQ(tokeniser.read().asTag().name(), "div");
    tokeniser.emit(end.named("div"));
    EXPECT_THROW(tokeniser.emit(end), novawick::html::Exception);
    const novawick::html::Token& next = tokeniser.read();
    ASSERT_TRUE(next.isEndTag());
    EXPECT_EQ(next.asTag().normalName(), "div");
    EXPECT_EQ(describe(tokeniser.read()), "\"x\"");
    EXPECT_TRUE(tokeniser.read().isEOF());
    EXPECT_TRUE(tokeniser.read().isEOF());
}

TEST(TokeniserApi, TreeBuilderSwitchesToRawText) {
    novawick::html::CharacterReader reader("<style>a<b</style><p>");
    novawick::html::Tokeniser tokeniser(reader, nullptr);
    EXPECT_EQ(tokeniser.read().asTag().name(), "style");
    tokeniser.transition(S::Rawtext);
    EXPECT_EQ(describe(tokeniser.read()), "\"a<b\"");
    EXPECT_EQ(describe(tokeniser.read()), "</style>");
    EXPECT_EQ(describe(tokeniser.read()), "<p>");
}

// Past a handful of attributes the list switches to an index; the put rule must not change.
TEST(TokeniserApi, ManyAttributesKeepOrderAndLastValue) {
    std::string input = "<a";
    for (int i = 0; i < 40; ++i) input += " n" + std::to_string(i % 25) + "=" + std::to_string(i);
    novawick::html::CharacterReader reader(input + "><b c=1>");
    novawick::html::Tokeniser tokeniser(reader, nullptr);
    const novawick::html::TokenAttributes& attributes = tokeniser.read().asTag().attributes();
    ASSERT_EQ(attributes.size(), 25u);
    EXPECT_EQ(attributes[0].name, "n0");
    EXPECT_EQ(attributes[0].value, "25");
    EXPECT_EQ(attributes[24].value, "24");
    ASSERT_NE(attributes.find("n14"), nullptr);
    EXPECT_EQ(attributes.find("n14")->value, "39");
    EXPECT_EQ(describe(tokeniser.read()), "<b c=\"1\">");  // the reused record starts clean
}

TEST(TokeniserApi, NormalNameIsLowerCased) {
    novawick::html::CharacterReader reader("<DiV><\u00C9L>");
    novawick::html::Tokeniser tokeniser(reader, nullptr);
    EXPECT_EQ(tokeniser.read().asTag().normalName(), "div");
    EXPECT_EQ(tokeniser.read().asTag().normalName(), "\u00E9l");
}

// Every state, every byte: tokenising must end with EOF and never crash (run under the sanitizers).
TEST(TokeniserRobustness, ArbitraryBytesInEveryStartState) {
    const S starts[] = {S::Data, S::Rcdata, S::Rawtext, S::ScriptData, S::PLAINTEXT, S::CdataSection};
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<char>(b));
    std::mt19937 random(12345);
    const std::string pieces[] = {"<", ">", "</", "<!--", "-->", "<!", "&", "&#", "&#x", ";", "=", "\"", "'",
                                  "<script>", "</script", "<!DOCTYPE", " PUBLIC", " SYSTEM", "]]>", "<![CDATA[",
                                  "-", "/", std::string(1, '\0'), "\xC3", "\xFF", "a", "amp", "\t"};
    std::vector<std::string> inputs{everyByte};
    for (int i = 0; i < 400; ++i) {
        std::string input;
        const int length = static_cast<int>(random() % 40);
        for (int j = 0; j < length; ++j) input += pieces[random() % std::size(pieces)];
        inputs.push_back(input);
    }
    for (const std::string& input : inputs) {
        for (S start : starts) {
            novawick::html::CharacterReader reader(input);
            novawick::html::ParseErrorList errors = novawick::html::ParseErrorList::tracking(5);
            novawick::html::Tokeniser tokeniser(reader, &errors);
            tokeniser.transition(start);
            tokeniser.setLastStartTag("script");
            std::size_t count = 0;
            while (!tokeniser.read().isEOF()) {
                tokeniser.acknowledgeSelfClosingFlag();
                ASSERT_LT(++count, input.size() * 4 + 8) << "no end of file";
            }
        }
    }
}

}  // namespace
