// The parser's entry points; each parse runs a fresh tree builder, which is discarded afterwards.
#include "html/parser/parser.h"

#include "html/parser/html_tree_builder.h"

namespace novawick::html {
namespace {

// Text is a string view, or validated text that the reader takes as it is.
template <typename Text>
std::unique_ptr<Document> parseUntracked(Text html, std::string_view baseUri) {
    ParseErrorList errors = ParseErrorList::noTracking();
    HtmlTreeBuilder builder;
    return builder.parse(html, baseUri, errors, ParseSettings::htmlDefault());
}

}  // namespace

Parser::Parser() : errors_(ParseErrorList::noTracking()), settings_(ParseSettings::htmlDefault()) {}

Parser Parser::htmlParser() { return Parser(); }

std::unique_ptr<Document> Parser::parse(std::string_view html, std::string_view baseUri) {
    return parseUntracked(html, baseUri);
}

std::unique_ptr<Document> Parser::parse(novawick::utf8::ValidText html, std::string_view baseUri) {
    return parseUntracked(html, baseUri);
}

std::unique_ptr<Document> Parser::parseInput(std::string_view html, std::string_view baseUri) {
    errors_ = isTrackErrors() ? ParseErrorList::tracking(maxErrors_) : ParseErrorList::noTracking();
    HtmlTreeBuilder builder;
    return builder.parse(html, baseUri, errors_, settings_);
}

Parser& Parser::setTrackErrors(std::size_t maxErrors) {
    maxErrors_ = maxErrors;
    return *this;
}

Parser& Parser::settings(const ParseSettings& settings) {
    settings_ = settings;
    return *this;
}

std::unique_ptr<Document> parse(std::string_view html, std::string_view baseUri) {
    return Parser::parse(html, baseUri);
}

std::unique_ptr<Document> parse(novawick::utf8::ValidText html, std::string_view baseUri) {
    return Parser::parse(html, baseUri);
}

}  // namespace novawick::html
