// Fuzz entries of the HTML library: the parser with text extraction and the scrapers' selections, the
// selector engine on arbitrary queries, and character-reference decoding.
#include "fuzz/entries/fuzz_entries.h"

#include "base/utf8.h"
#include "html/nodes/document.h"
#include "html/nodes/exception.h"
#include "html/parser/entities.h"
#include "html/parser/parser.h"
#include "html/select/query_parser.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace novawick::fuzz {
namespace {

// What the scrapers ask of every page, then structural queries that walk ancestors, siblings and text.
constexpr std::array<std::string_view, 16> kFixedQueries{
    ".result li",  "strong a",          ".read a",           ".text option",
    ".sso_a li",   "#Content p",        "#next_url",         "div#content p",
    "table img",   "a[href^=/]",        "li:nth-child(2n+1)", "p:contains(下一页)",
    "div > p + p", "ul li ~ li a[href]", ":has(> strong)",    "*:not(p):nth-last-of-type(1)",
};

// A page shaped like the site's, for arbitrary queries to run over.
constexpr std::string_view kFixedPage =
    "<!DOCTYPE html><html><head><title>t</title><script>var a = '<p>';</script></head><body>"
    "<ul class=\"nav result\"><li id=\"first\"><a href=\"/book/1/\"><img src=\"/c.jpg\" data-src=\"covers100\"></a>"
    "<strong><a href=\"/book/1/\">书名</a></strong><span>作者：某</span></li><li><span lang=\"zh-CN\">连载</span>"
    "</li></ul><div class=\"read sso_a\"><a href=\"/read/1/\">开始阅读</a><select><option value=\"/l/1\">1"
    "</option><option selected>2</option></select></div><div id=\"Content\"><p>一 &amp; 二</p><p></p>"
    "<p> 三<br>四 </p><!-- note --><p>最快更新</p></div><table><tr><td>x</td><td data-n=\"5\">y</td></tr>"
    "</table><form><input name=\"q\" value=\"v\"></form><a id=\"next_url\" href=\"/c/2.html\">下一页</a>"
    "</body></html>";

const html::Document& fixedDocument() {
    static const std::unique_ptr<html::Document> document = html::parse(kFixedPage, "https://site.test/");
    return *document;
}

}  // namespace

void fuzzHtmlParse(std::string_view input) {
    // The validator takes sixteen bytes at a time; a walk by the checked decoder must find the same byte.
    std::size_t walked = 0;
    for (std::size_t length = 0; walked < input.size() && (length = utf8::decode(input, walked).length) != 0;) {
        walked += length;
    }
    const std::size_t firstInvalid = walked == input.size() ? std::string_view::npos : walked;
    if (utf8::findInvalid(input) != firstInvalid) invariantBroken("html_parse", "validator and decoder disagree");
    if (!utf8::isValid(utf8::sanitise(input))) invariantBroken("html_parse", "repaired text is not UTF-8");
    std::unique_ptr<html::Document> document = html::parse(input, "https://site.test/");
    html::Element* body = document->body();
    if (body != nullptr) (void)body->text();
    for (std::string_view query : kFixedQueries) {
        html::Elements found = document->select(query);
        // One text per query: the text of every match would be quadratic in the nesting depth.
        if (html::Element* first = found.first()) (void)first->text();
        (void)found.select("a");
    }
}

void fuzzSelectorQuery(std::string_view input) {
    // A malformed query is refused with the library's error, and only with it. Each call is allowed its
    // own refusal: Element::select trims the query first, so one text can pass one call and fail another.
    const html::Document& document = fixedDocument();
    auto refusalAllowed = [](auto&& step) {
        try {
            step();
        } catch (const html::Exception&) {
        }
    };
    refusalAllowed([&] { (void)html::QueryParser::parse(input); });
    html::Elements found;
    refusalAllowed([&] { found = document.select(input); });
    html::Element* body = document.body();
    if (body == nullptr) invariantBroken("selector_query", "the fixed page has no body");
    refusalAllowed([&] { (void)html::Elements(std::vector<html::Element*>{body}).select(input); });
    refusalAllowed([&] { (void)body->is(input); });
    if (html::Element* first = found.first()) (void)first->text();
}

void fuzzEntitiesUnescape(std::string_view input) {
    const std::string relaxed = html::Entities::unescape(input, false);
    const std::string strict = html::Entities::unescape(input, true);
    if (input.find('&') == std::string_view::npos && utf8::isValid(input) &&
        input.find_first_of(std::string_view("\0\r", 2)) == std::string_view::npos) {
        // Text without references has nothing to decode.
        if (relaxed != input || strict != input) invariantBroken("entities_unescape", "text without '&' changed");
    }
    if (utf8::isValid(relaxed) && relaxed.find_first_of(std::string_view("\0\r", 2)) == std::string::npos) {
        // Escaped output must decode back to what was escaped.
        const std::string escaped = html::Entities::escape(relaxed, "UTF-8");
        if (html::Entities::unescape(escaped, false) != relaxed) {
            invariantBroken("entities_unescape", "escape then unescape changed the text");
        }
    }
}

}  // namespace novawick::fuzz
