// The part of a tree builder that does not depend on the markup language: it owns the reader, the
// tokeniser and the document for one parse, keeps the stack of open elements, and pulls tokens one at
// a time until the end-of-file token has been processed. HtmlTreeBuilder supplies the rules.
//
// A builder lives for one parse; `parse` may be called again, and starts from nothing.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "html/nodes/parse_settings.h"
#include "html/parser/tree_builder_open_elements.h"

namespace novawick::html {

class CharacterReader;
class Document;
class Element;
class ParseErrorList;
class StartTagToken;
class Token;
class Tokeniser;

class TreeBuilder {
public:
    TreeBuilder();
    virtual ~TreeBuilder();
    TreeBuilder(const TreeBuilder&) = delete;
    TreeBuilder& operator=(const TreeBuilder&) = delete;

    /// Builds the document for `input`; parse errors go to `errors` while it has room.
    std::unique_ptr<Document> parse(std::string_view input, std::string_view baseUri, ParseErrorList& errors,
                                     const ParseSettings& settings);
    /// The same for validated `input`, which is not checked again.
    std::unique_ptr<Document> parse(novawick::utf8::ValidText input, std::string_view baseUri, ParseErrorList& errors,
                                     const ParseSettings& settings);

    /// Hands one token to the rules; false when it was ignored after a parse error.
    virtual bool process(Token& token) = 0;
    /// Feeds the builder a start tag of its own making.
    bool processStartTag(std::string_view name);
    bool processStartTag(StartTagToken& token);
    /// Feeds the builder an end tag of its own making.
    bool processEndTag(std::string_view name);

    const ParseSettings& settings() const noexcept { return settings_; }
    /// The top of the stack of open elements, or nullptr.
    Element* currentElement() const noexcept { return stack_.current(); }
    /// The settings a parse uses when given none: HTML's (names lower-cased).
    static ParseSettings defaultSettings() { return ParseSettings::htmlDefault(); }

protected:
    /// Readies a parse of `input`, whose reader is already in `reader_`.
    virtual void initialiseParse(std::string_view input, std::string_view baseUri, ParseErrorList& errors,
                                 const ParseSettings& settings);
    void runParser();

    std::unique_ptr<CharacterReader> reader_;
    std::unique_ptr<Tokeniser> tokeniser_;
    std::unique_ptr<Document> doc_;
    OpenElementStack stack_;
    std::string baseUri_;
    const Token* currentToken_ = nullptr;
    ParseErrorList* errors_ = nullptr;
    ParseSettings settings_;

private:
    std::unique_ptr<Document> parseWith(std::unique_ptr<CharacterReader> reader, std::string_view input,
                                        std::string_view baseUri, ParseErrorList& errors,
                                        const ParseSettings& settings);
};

}  // namespace novawick::html
