// The modes before the document has a head: Initial, BeforeHtml and BeforeHead. Whatever the first
// tokens are, these modes make sure an `html` element and a `head` element exist before content.
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/parser/modes/insertion_modes.h"

namespace novawick::html::modes {

using State = HtmlTreeBuilderState;

// #the-initial-insertion-mode. Quirks mode comes only from the DOCTYPE's force-quirks flag; the public
// and system identifiers are not examined.
ModeResult initial(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (isWhitespace(token)) return ModeResult::Ignored;
            break;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: {
            const DoctypeToken& doctype = token.asDoctype();
            Document& document = builder.document();
            document.appendChild(document.createDoctype(doctype.name, doctype.publicIdentifier,
                                                        doctype.systemIdentifier, document.location()));
            if (doctype.forceQuirks) document.setQuirksMode(QuirksMode::quirks);
            builder.transition(State::BeforeHtml);
            return ModeResult::Handled;
        }
        case TokenType::StartTag:
        case TokenType::EndTag:
        case TokenType::EndOfFile: break;
    }
    builder.transition(State::BeforeHtml);
    return ModeResult::Reprocess;
}

// #the-before-html-insertion-mode
ModeResult beforeHtml(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Doctype: builder.error(State::BeforeHtml); return ModeResult::Ignored;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Char:
            if (isWhitespace(token)) return ModeResult::Ignored;
            break;
        case TokenType::StartTag:
            if (idOf(token.asStartTag()) == TagId::Html) {
                builder.insert(token.asStartTag());
                builder.transition(State::BeforeHead);
                return ModeResult::Handled;
            }
            break;
        case TokenType::EndTag:
            if (!tags::kHeadEndTagsActingAsElse.contains(idOf(token.asEndTag())) &&
                idOf(token.asEndTag()) != TagId::Head) {
                builder.error(State::BeforeHtml);
                return ModeResult::Ignored;
            }
            break;
        case TokenType::EndOfFile: break;
    }
    builder.insertStartTag("html");
    builder.transition(State::BeforeHead);
    return ModeResult::Reprocess;
}

// #the-before-head-insertion-mode
ModeResult beforeHead(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (isWhitespace(token)) return ModeResult::Ignored;
            break;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: builder.error(State::BeforeHead); return ModeResult::Ignored;
        case TokenType::StartTag: {
            const TagId id = idOf(token.asStartTag());
            if (id == TagId::Html) return builder.processAs(State::InBody, token);
            if (id == TagId::Head) {
                builder.setHeadElement(builder.insert(token.asStartTag()));
                builder.transition(State::InHead);
                return ModeResult::Handled;
            }
            break;
        }
        case TokenType::EndTag: {
            const TagId id = idOf(token.asEndTag());
            if (id != TagId::Head && !tags::kHeadEndTagsActingAsElse.contains(id)) {
                builder.error(State::BeforeHead);
                return ModeResult::Ignored;
            }
            break;
        }
        case TokenType::EndOfFile: break;
    }
    builder.processStartTag("head");
    return ModeResult::Reprocess;
}

}  // namespace novawick::html::modes
