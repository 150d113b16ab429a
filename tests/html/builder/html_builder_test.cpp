// The tree builder on small inputs: the trees it builds (as html5lib-style dumps of the body), the
// parse errors it records, form controls, the base URI, and the text node per character token.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/parser/parser.h"
#include "tests/html/builder/tree_dump.h"
#include "tests/support/test_data.h"

namespace {

using novawick::testing::dumpTree;

struct TreeCase {
    std::string_view name;
    std::string_view html;
    std::string_view body;  // dump of the body's children
};

std::string bodyOf(std::string_view html) {
    const auto document = novawick::html::parse(html);
    const novawick::html::Element* body = document->body();
    return body == nullptr ? "(no body)" : dumpTree(*body);
}

class BodyTree : public ::testing::TestWithParam<TreeCase> {};

TEST_P(BodyTree, MatchesDump) { EXPECT_EQ(bodyOf(GetParam().html), GetParam().body) << GetParam().html; }

const TreeCase kBodyTrees[] = {
    {"Empty", "", ""},
    {"BareText", "Hello", "| \"Hello\"\n"},
    {"ParagraphsCloseEachOther", "<p>One<p>Two", "| <p>\n|   \"One\"\n| <p>\n|   \"Two\"\n"},
    {"DivClosesParagraph", "<p><div>x</div>", "| <p>\n| <div>\n|   \"x\"\n"},
    {"MisnestedFormatting", "<b>1<i>2</b>3</i>",
     "| <b>\n|   \"1\"\n|   <i>\n|     \"2\"\n| <i>\n|   \"3\"\n"},
    {"TableGainsTbody", "<table><tr><td>a</td></tr></table>",
     "| <table>\n|   <tbody>\n|     <tr>\n|       <td>\n|         \"a\"\n"},
    {"TableTextStaysInTable", "<table>x<tr><td>y</td></tr></table>",
     "| <table>\n|   \"x\"\n|   <tbody>\n|     <tr>\n|       <td>\n|         \"y\"\n"},
    {"SelfClosedDivIsEmpty", "<div/>text", "| <div>\n| \"text\"\n"},
    {"SelfClosedBr", "<br/>", "| <br>\n"},
    {"EndBrIsBr", "<body></br>", "| <br>\n"},
    {"LoneEndPIsEmptyP", "<body></p>", "| <p>\n"},
    {"ScriptKeepsItsText", "<body><script>if (a<b) x();</script>", "| <script>\n|   \"if (a<b) x();\"\n"},
    {"NamesLowerCased", "<DIV CLASS=X></DIV>", "| <div>\n|   class=\"X\"\n"},
    {"UnknownTagHoldsBlocks", "<content><p>a</p></content>", "| <content>\n|   <p>\n|     \"a\"\n"},
    {"LateContentInBody", "<html><body></body></html><p>late</p>", "| <p>\n|   \"late\"\n"},
    // Noah's Ark: a fourth equal b is not reopened.
    {"AtMostThreeEqualFormattingElements", "<p><b><b><b><b>x</p>y",
     "| <p>\n|   <b>\n|     <b>\n|       <b>\n|         <b>\n|           \"x\"\n"
     "| <b>\n|   <b>\n|     <b>\n|       \"y\"\n"},
    {"DifferentAttributesAreNotEqual", "<p><b a=1><b a=2><b a=3><b a=4>x</p>y",
     "| <p>\n|   <b>\n|     a=\"1\"\n|     <b>\n|       a=\"2\"\n|       <b>\n|         a=\"3\"\n"
     "|         <b>\n|           a=\"4\"\n|           \"x\"\n"
     "| <b>\n|   a=\"1\"\n|   <b>\n|     a=\"2\"\n|     <b>\n|       a=\"3\"\n|       <b>\n|         a=\"4\"\n"
     "|         \"y\"\n"},
    // A marker (the cell) fences off the b opened before it.
    {"MarkerStopsReconstruction", "<b><table><td>x",
     "| <b>\n|   <table>\n|     <tbody>\n|       <tr>\n|         <td>\n|           \"x\"\n"},
    {"FormattingElementFosteredBeforeTable", "<table><b>x</b></table>",
     "| <b>\n|   \"x\"\n| <table>\n"},
    {"NestedAnchorInTableIsFostered", "<a><table><a></table>",
     "| <a>\n|   <a>\n|   <table>\n"},
    {"CellClosesOnNextCell", "<table><tr><td>a<td>b</table>",
     "| <table>\n|   <tbody>\n|     <tr>\n|       <td>\n|         \"a\"\n|       <td>\n|         \"b\"\n"},
    {"SelectInCellClosedByCell", "<table><tr><td><select><option>a<td>b</table>",
     "| <table>\n|   <tbody>\n|     <tr>\n|       <td>\n|         <select>\n|           <option>\n"
     "|             \"a\"\n|       <td>\n|         \"b\"\n"},
    {"ListItemsCloseEachOther", "<ul><li>a<li>b</ul>",
     "| <ul>\n|   <li>\n|     \"a\"\n|   <li>\n|     \"b\"\n"},
    {"DivDoesNotStopListItemWalk", "<li><div><li>",
     "| <li>\n|   <div>\n| <li>\n"},
    {"HeadingClosesHeading", "<h1>a<h2>b</h1>c", "| <h1>\n|   \"a\"\n| <h2>\n|   \"b\"\n| \"c\"\n"},
    {"ImageBecomesImg", "<image src=a>", "| <img>\n|   src=\"a\"\n"},
    {"AnyOtherEndTagStopsAtSpecial", "<span><div></span>x", "| <span>\n|   <div>\n|     \"x\"\n"},
    // Names that differ only in case become one attribute: first place, last value.
    {"CaseVariantAttributesMerge", "<p A=1 b=2 a=3>", "| <p>\n|   a=\"3\"\n|   b=\"2\"\n"},
    // A self-closed raw-text element is closed at once; the rest of the page is not swallowed.
    {"SelfClosedTextareaDoesNotSwallowPage", "<textarea/><p>x", "| <textarea>\n| <p>\n|   \"x\"\n"},
    {"PlaintextTakesTheRest", "<plaintext><p>x", "| <plaintext>\n|   \"<p>x\"\n"},
};

INSTANTIATE_TEST_SUITE_P(Builder, BodyTree, ::testing::ValuesIn(kBodyTrees),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The builder closes paragraphs at these tags and treats them as special, but the document model has
// no kind for them: they are inline, so text() puts no separator where they start. Pages rely on that.
struct TextCase {
    std::string_view html;
    std::string_view text;
};

// Equal formatting elements are counted by walking a short list and through a hash index once the
// list is long; either way, and when the index starts among the equal ones, a fourth is dropped.
TEST(Builder, NoahsArkHoldsForShortAndLongFormattingLists) {
    const auto count = [](std::string_view text, std::string_view what) {
        std::size_t found = 0;
        for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++found;
        return found;
    };
    for (int others = 0; others <= 20; ++others) {
        std::string html = "<p>";
        for (int i = 0; i < others; ++i) html += "<i n=" + std::to_string(i) + ">";
        html += "<b c=1><b c=1><b c=2><b c=1><b c=1>x</p>y";
        const std::string body = bodyOf(html);
        // Five b inside the paragraph; the fifth meets three equal ones, so the first is dropped and
        // four are reopened after it, with every i.
        EXPECT_EQ(count(body, "<b>"), 5u + 4u) << others;
        EXPECT_EQ(count(body, "<i>"), 2u * static_cast<std::size_t>(others)) << others;
    }
}

TEST(Builder, TagsOnlyTheBuilderKnowsAddNoSeparator) {
    const TextCase cases[] = {
        {"a<center>b</center>c", "abc"},
        {"<p>a<center>b</center>", "ab"},
        {"<center>a<p>b</p>c</center>", "a bc"},
        {"<center>a<br>b</center>", "a b"},
        {"x<listing>y</listing>z", "xyz"},
        {"x<dir>y</dir><marquee>z</marquee>", "xyz"},
        {"a<div>b</div>c", "a bc"},  // a block, for contrast
    };
    for (const TextCase& item : cases) {
        const auto document = novawick::html::parse(item.html);
        EXPECT_EQ(document->body()->text(), item.text) << item.html;
    }
}

TEST(Builder, WholeDocumentOfEmptyInput) {
    const auto document = novawick::html::parse("");
    EXPECT_EQ(dumpTree(*document), "| <html>\n|   <head>\n|   <body>\n");
    EXPECT_NE(document->body(), nullptr);
}

// A page that its reader validated is not checked again, and gives the same tree.
TEST(Builder, ValidatedTextGivesTheTreeOfUncheckedText) {
    using namespace novawick::testing;
    const std::string page = readTestData(testDataFolder() / "corpus/novel/chapter.html", "a chapter page");
    const std::optional<novawick::utf8::ValidText> validated = novawick::utf8::validate(page);
    ASSERT_TRUE(validated);
    EXPECT_EQ(dumpTree(*novawick::html::parse(*validated)), dumpTree(*novawick::html::parse(page)));
}

TEST(Builder, DoctypeAndQuirksFromForceQuirksOnly) {
    const auto standard = novawick::html::parse("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 3.2//EN\"><p><table>");
    EXPECT_EQ(standard->quirksMode(), novawick::html::QuirksMode::noQuirks);
    EXPECT_EQ(dumpTree(*standard->body()), "| <p>\n| <table>\n");
    const auto quirks = novawick::html::parse("<!DOCTYPE><p><table>");
    EXPECT_EQ(quirks->quirksMode(), novawick::html::QuirksMode::quirks);
    EXPECT_EQ(dumpTree(*quirks->body()), "| <p>\n|   <table>\n");
}

TEST(Builder, FramesetDocumentHasNoBody) {
    const auto document = novawick::html::parse("<frameset><frame></frameset>");
    EXPECT_EQ(document->body(), nullptr);
    EXPECT_EQ(dumpTree(*document), "| <html>\n|   <head>\n|   <frameset>\n|     <frame>\n");
}

TEST(Builder, OneTextNodePerCharacterToken) {
    // The ignored end tag splits the text into two character tokens, and so into two nodes.
    const auto document = novawick::html::parse("<p>a</x>b");
    const novawick::html::Element* p = document->body()->children().first();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->childNodeSize(), 2U);
    EXPECT_EQ(p->text(), "ab");
}

TEST(Builder, ScriptAndStyleHoldDataNodes) {
    const auto document = novawick::html::parse("<p>x<script>var y</script><style>p{}</style></p>");
    const novawick::html::Element* p = document->body()->children().first();
    EXPECT_EQ(p->text(), "x");
    EXPECT_EQ(p->childNode(1)->childNode(0)->kind(), novawick::html::NodeKind::Data);
    EXPECT_EQ(p->childNode(2)->childNode(0)->kind(), novawick::html::NodeKind::Data);
}

TEST(Builder, FormCollectsItsControls) {
    const auto document = novawick::html::parse(
        "<form id=f><input><select></select><textarea></textarea><button></button><fieldset></fieldset>"
        "<object></object><output></output><keygen><p></p></form><input>");
    const auto* form = static_cast<const novawick::html::FormElement*>(document->getElementById("f"));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->kind(), novawick::html::NodeKind::FormElement);
    EXPECT_EQ(form->elements().size(), 8U);  // the p is not a control, the input after </form> is outside
}

TEST(Builder, FormInTableCollectsControlsThoughNotOnStack) {
    const auto document = novawick::html::parse("<table><form id=f><tr><td><input></td></tr></table>");
    const auto* form = static_cast<const novawick::html::FormElement*>(document->getElementById("f"));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->childNodeSize(), 0U);
    EXPECT_EQ(form->elements().size(), 1U);
}

TEST(Builder, FirstBaseWithHrefSetsBaseUri) {
    const auto document = novawick::html::parse(
        "<head><base target=x><base href='/books/'><base href='/other/'></head><a href='ch1.html'>c</a>",
        "https://novel.example/index.html");
    EXPECT_EQ(document->baseUri(), "https://novel.example/books/");
    const novawick::html::Element* link = document->body()->children().first();
    EXPECT_EQ(link->absUrl("href"), "https://novel.example/books/ch1.html");
    EXPECT_EQ(document->location(), "https://novel.example/index.html");
}

TEST(Builder, BaseUriUnchangedWithoutBaseElement) {
    const auto document = novawick::html::parse("<a href='x'>", "https://h/dir/");
    EXPECT_EQ(document->baseUri(), "https://h/dir/");
    EXPECT_EQ(document->body()->children().first()->absUrl("href"), "https://h/dir/x");
}

TEST(ParserErrors, NoneRecordedWithoutTracking) {
    novawick::html::Parser parser = novawick::html::Parser::htmlParser();
    EXPECT_FALSE(parser.isTrackErrors());
    parser.parseInput("<p></div><table><tr>x", "");
    EXPECT_TRUE(parser.getErrors().empty());
}

TEST(ParserErrors, BuilderMessagesNameTokenAndMode) {
    novawick::html::Parser parser = novawick::html::Parser::htmlParser();
    parser.setTrackErrors(10);
    EXPECT_TRUE(parser.isTrackErrors());
    parser.parseInput("<html><body></div>", "");
    ASSERT_EQ(parser.getErrors().size(), 1U);
    EXPECT_EQ(parser.getErrors()[0].message, "Unexpected token [EndTag] when in state [InBody]");
    EXPECT_EQ(parser.getErrors()[0].position, 18U);
}

TEST(ParserErrors, SelfClosingNonVoidIsReported) {
    novawick::html::Parser parser = novawick::html::Parser::htmlParser();
    parser.setTrackErrors(10);
    parser.parseInput("<html><body><div/><br/>", "");
    ASSERT_EQ(parser.getErrors().size(), 1U);
    EXPECT_EQ(parser.getErrors()[0].message, "Self closing flag not acknowledged");
}

TEST(ParserErrors, ListStopsAtItsLimit) {
    novawick::html::Parser parser = novawick::html::Parser::htmlParser();
    parser.setTrackErrors(2);
    parser.parseInput("<html><body></a></b></i></u>", "");
    EXPECT_EQ(parser.getErrors().size(), 2U);
    EXPECT_EQ(parser.getErrors()[1].message, "Unexpected token [EndTag] when in state [InBody]");
}

TEST(ParserErrors, ModeNamesInMessages) {
    novawick::html::Parser parser = novawick::html::Parser::htmlParser();
    parser.setTrackErrors(10);
    parser.parseInput("<!DOCTYPE html><!DOCTYPE html><table><caption></td>", "");
    std::vector<std::string> messages;
    for (const auto& error : parser.getErrors()) messages.push_back(error.message);
    EXPECT_EQ(messages, (std::vector<std::string>{"Unexpected token [Doctype] when in state [BeforeHtml]",
                                                  "Unexpected token [EndTag] when in state [InCaption]"}));
}

}  // namespace
