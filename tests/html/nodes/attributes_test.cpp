// Attribute list rules and the attribute lookups of nodes (ignore-case keys, "abs:" resolution).
#include <gtest/gtest.h>

#include "tests/html/nodes/tree_fixture.h"

namespace novawick::html::test {
namespace {

std::string keys(const Attributes& attributes) {
    std::string out;
    for (const Attribute& attribute : attributes) out += std::string(attribute.key()) + "=" + std::string(attribute.value()) + ";";
    return out;
}

void expectEmptyKeyError(const std::function<void()>& call) {
    try {
        call();
        ADD_FAILURE() << "no error raised";
    } catch (const Exception& error) {
        EXPECT_EQ(error.type(), ExceptionType::IllegalArgumentException);
        EXPECT_EQ(error.message(), kStringMustNotBeEmpty);
    }
}

TEST(Attributes, PutReplacesSameKeyInPlaceAndTrimsKeys) {
    Attributes attributes;
    attributes.put("a", "1").put(" b ", "2").put("A", "3").put("a", "4");
    EXPECT_EQ(keys(attributes), "a=4;b=2;A=3;");
    attributes.put(Attribute("b", "5", false));
    EXPECT_EQ(keys(attributes), "a=4;b=5;A=3;");
    attributes.put("flag", true);
    EXPECT_TRUE(attributes.find("flag")->isBoolean());
    EXPECT_EQ(attributes.get("flag"), "");
    attributes.put("flag", false);
    EXPECT_FALSE(attributes.hasKey("flag"));
}

TEST(Attributes, ATextValueIsNeverTakenForABoolean) {
    Attributes attributes;
    const std::string key = "title";
    attributes.put(key, "Chapter 1");  // a string key beside a literal value
    EXPECT_EQ(attributes.get("title"), "Chapter 1");
    EXPECT_FALSE(attributes.find("title")->isBoolean());
}

TEST(Attributes, ExactAndIgnoreCaseLookups) {
    Attributes attributes;
    attributes.put("Href", "/x").put("href", "/y").put("ÄRGER", "u");
    EXPECT_EQ(attributes.get("href"), "/y");
    EXPECT_EQ(attributes.get("HREF"), "");
    EXPECT_EQ(attributes.getIgnoreCase("HREF"), "/x");  // the first in order
    EXPECT_EQ(attributes.getIgnoreCase("ärger"), "u");
    EXPECT_TRUE(attributes.hasKeyIgnoreCase("hReF"));
    EXPECT_FALSE(attributes.hasKey("HREF"));
    attributes.removeIgnoreCase("HREF");
    EXPECT_EQ(keys(attributes), "href=/y;ÄRGER=u;");
    attributes.remove("HREF");
    EXPECT_EQ(attributes.size(), 2u);
    attributes.normalize();
    EXPECT_EQ(keys(attributes), "href=/y;ärger=u;");
}

TEST(Attributes, AddAllAndEquality) {
    Attributes left;
    left.put("a", "1").put("b", "2");
    Attributes right;
    right.put("b", "x").put("c", "3");
    right.addAll(left);
    EXPECT_EQ(keys(right), "b=2;c=3;a=1;");
    Attributes reordered;
    reordered.put("b", "2").put("a", "1");
    EXPECT_TRUE(left == reordered);
    reordered.put("a", "9");
    EXPECT_FALSE(left == reordered);
}

TEST(Attributes, EmptyKeysAreRefused) {
    Attributes attributes;
    expectEmptyKeyError([&] { attributes.put("", "v"); });
    expectEmptyKeyError([&] { attributes.put("  ", "v"); });
    expectEmptyKeyError([&] { (void)attributes.getIgnoreCase(""); });
    Document doc("http://example.com/");
    Element* a = doc.createElement("a");
    expectEmptyKeyError([&] { (void)a->attr(""); });
    expectEmptyKeyError([&] { (void)a->absUrl(""); });
    expectEmptyKeyError([&] { (void)a->attr("abs:"); });
    expectEmptyKeyError([&] { (void)a->getElementById(""); });
    expectEmptyKeyError([&] { (void)a->getElementsByClass(""); });
}

TEST(NodeAttr, IgnoresCaseAndResolvesAbsPrefix) {
    Document doc("http://example.com/books/list.html");
    Element* a = doc.createElement("a");
    a->attr("href", "../read/1.html").attr("title", "");
    EXPECT_EQ(a->attr("HREF"), "../read/1.html");
    EXPECT_EQ(a->attr("abs:href"), "http://example.com/read/1.html");
    EXPECT_EQ(a->attr("ABS:HREF"), "http://example.com/read/1.html");
    EXPECT_EQ(a->absUrl("href"), "http://example.com/read/1.html");
    EXPECT_EQ(a->attr("title"), "");  // present but empty reads like absent
    EXPECT_EQ(a->attr("abs:src"), "");
    EXPECT_EQ(a->absUrl("src"), "");
    EXPECT_TRUE(a->hasAttr("Title"));
    EXPECT_TRUE(a->hasAttr("abs:href"));
    EXPECT_FALSE(a->hasAttr("src"));
}

TEST(NodeAttr, AbsoluteLinksSurviveAnEmptyBase) {
    Document doc("");
    Element* a = doc.createElement("a");
    a->attr("href", "https://site.example/x").attr("src", "rel.png");
    EXPECT_EQ(a->attr("abs:href"), "https://site.example/x");
    EXPECT_EQ(a->attr("abs:src"), "");
}

TEST(NodeAttr, TextNodeAnswersForItsTextAndKeepsItWhenAttributesAreSet) {
    Document doc("");
    auto* text = doc.createText("hello");
    EXPECT_EQ(text->attr("TEXT"), "hello");
    EXPECT_EQ(text->attributes(), nullptr);  // a lookup creates nothing
    text->setAttribute("lang", "en");
    EXPECT_EQ(text->getWholeText(), "hello");
    EXPECT_EQ(text->attr("lang"), "en");
    text->appendText(" world");
    EXPECT_EQ(text->attr("text"), "hello world");
}

TEST(ElementAttributes, IdAndClassEditing) {
    Document doc("");
    Element* div = doc.createElement("div");
    EXPECT_EQ(div->id(), "");
    div->attr("ID", "Main");
    EXPECT_EQ(div->id(), "Main");
    div->attr("class", " a  b a ");
    EXPECT_EQ(div->classNames(), (std::vector<std::string>{"a", "b"}));
    div->addClass("c").removeClass("a").toggleClass("b").toggleClass("d");
    EXPECT_EQ(div->attributes().get("class"), "c d");
}

}  // namespace
}  // namespace novawick::html::test
