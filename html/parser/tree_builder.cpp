// The language-independent run of a tree builder: set up, pull tokens, hand over the document.
#include "html/parser/tree_builder.h"

#include "html/nodes/document.h"
#include "html/parser/character_reader.h"
#include "html/parser/parse_error.h"
#include "html/parser/token.h"
#include "html/parser/tokeniser.h"

namespace novawick::html {

TreeBuilder::TreeBuilder() = default;
TreeBuilder::~TreeBuilder() = default;

std::unique_ptr<Document> TreeBuilder::parse(std::string_view input, std::string_view baseUri,
                                             ParseErrorList& errors, const ParseSettings& settings) {
    return parseWith(std::make_unique<CharacterReader>(input), input, baseUri, errors, settings);
}

std::unique_ptr<Document> TreeBuilder::parse(novawick::utf8::ValidText input, std::string_view baseUri,
                                             ParseErrorList& errors, const ParseSettings& settings) {
    return parseWith(std::make_unique<CharacterReader>(input), input.text(), baseUri, errors, settings);
}

std::unique_ptr<Document> TreeBuilder::parseWith(std::unique_ptr<CharacterReader> reader, std::string_view input,
                                                 std::string_view baseUri, ParseErrorList& errors,
                                                 const ParseSettings& settings) {
    reader_ = std::move(reader);
    initialiseParse(input, baseUri, errors, settings);
    runParser();
    // The reader and tokeniser are of no use once the document is built.
    tokeniser_.reset();
    reader_.reset();
    stack_.clear();
    currentToken_ = nullptr;
    return std::move(doc_);
}

void TreeBuilder::initialiseParse(std::string_view input, std::string_view baseUri, ParseErrorList& errors,
                                  const ParseSettings& settings) {
    doc_ = std::make_unique<Document>(baseUri, input.size());
    errors_ = &errors;
    tokeniser_ = std::make_unique<Tokeniser>(*reader_, &errors);
    stack_.clear();
    baseUri_.assign(baseUri);
    currentToken_ = nullptr;
    settings_ = settings;
}

void TreeBuilder::runParser() {
    for (;;) {
        Token& token = tokeniser_->read();
        currentToken_ = &token;
        process(token);
        if (token.isEOF()) return;
    }
}

bool TreeBuilder::processStartTag(std::string_view name) {
    StartTagToken token;
    token.named(name);
    return process(token);
}

bool TreeBuilder::processStartTag(StartTagToken& token) { return process(token); }

bool TreeBuilder::processEndTag(std::string_view name) {
    EndTagToken token;
    token.named(name);
    return process(token);
}

}  // namespace novawick::html
