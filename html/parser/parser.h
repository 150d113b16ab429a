// The entry to the HTML parser. `parse` is all the scrapers use: any text at all becomes a document
// with an html element holding a head and (unless the page is a frameset) a body. Malformed markup
// never fails a parse; it only records parse errors, and only when error tracking is switched on.
// Text that is not UTF-8 is repaired first; text that comes as validated UTF-8 is not checked again.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "base/utf8.h"
#include "html/nodes/document.h"
#include "html/nodes/parse_settings.h"
#include "html/parser/parse_error.h"

namespace novawick::html {

class HtmlTreeBuilder;

class Parser {
public:
    /// A parser that builds HTML documents with the default settings and no error tracking.
    static Parser htmlParser();

    /// Parses `html` with a fresh HTML tree builder and no error tracking.
    static std::unique_ptr<Document> parse(std::string_view html, std::string_view baseUri);
    /// The same for validated `html`.
    static std::unique_ptr<Document> parse(novawick::utf8::ValidText html, std::string_view baseUri);

    /// Parses `html` with this parser's settings, keeping up to the tracked number of errors.
    std::unique_ptr<Document> parseInput(std::string_view html, std::string_view baseUri);

    /// Keeps up to `maxErrors` parse errors of the next parse (0 switches tracking off).
    Parser& setTrackErrors(std::size_t maxErrors);
    bool isTrackErrors() const noexcept { return maxErrors_ > 0; }
    /// The errors of the last `parseInput`.
    const ParseErrorList& getErrors() const noexcept { return errors_; }

    const ParseSettings& settings() const noexcept { return settings_; }
    Parser& settings(const ParseSettings& settings);

private:
    Parser();

    std::size_t maxErrors_ = 0;
    ParseErrorList errors_;
    ParseSettings settings_;
};

/// Parses `html` into a document whose links resolve against `baseUri`.
std::unique_ptr<Document> parse(std::string_view html, std::string_view baseUri = "");
/// The same for validated `html`, which is not checked again.
std::unique_ptr<Document> parse(novawick::utf8::ValidText html, std::string_view baseUri = "");

}  // namespace novawick::html
