// The modes after the body and the frameset modes: AfterBody, InFrameset, AfterFrameset,
// AfterAfterBody, AfterAfterFrameset, and ForeignContent (which nothing switches to: svg and math are
// built as ordinary elements).
//
// Deliberate difference from the standard: a comment after </body> or </html> goes to the insertion
// point (the body is still open), not to the html element or the document.
#include "html/parser/modes/insertion_modes.h"

namespace novawick::html::modes {

using State = HtmlTreeBuilderState;

// #parsing-main-afterbody
ModeResult afterBody(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (isWhitespace(token)) return builder.processAs(State::InBody, token);
            break;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: builder.error(State::AfterBody); return ModeResult::Ignored;
        case TokenType::StartTag:
            if (idOf(token.asStartTag()) == TagId::Html) return builder.processAs(State::InBody, token);
            break;
        case TokenType::EndTag:
            if (idOf(token.asEndTag()) == TagId::Html) {
                builder.transition(State::AfterAfterBody);
                return ModeResult::Handled;
            }
            break;
        case TokenType::EndOfFile: return ModeResult::Handled;
    }
    builder.error(State::AfterBody);
    builder.transition(State::InBody);
    return ModeResult::Reprocess;
}

// #parsing-main-inframeset
ModeResult inFrameset(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (insertIfWhitespace(token, builder)) return ModeResult::Handled;
            break;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: break;
        case TokenType::StartTag:
            switch (idOf(token.asStartTag())) {
                case TagId::Html: return builder.processAs(State::InBody, token);
                case TagId::Frameset: builder.insert(token.asStartTag()); return ModeResult::Handled;
                case TagId::Frame: builder.insertEmpty(token.asStartTag()); return ModeResult::Handled;
                case TagId::Noframes: return builder.processAs(State::InHead, token);
                default: break;
            }
            break;
        case TokenType::EndTag:
            if (idOf(token.asEndTag()) != TagId::Frameset || builder.currentIs(TagId::Html)) break;
            builder.pop();
            if (!builder.currentIs(TagId::Frameset)) builder.transition(State::AfterFrameset);
            return ModeResult::Handled;
        case TokenType::EndOfFile:
            if (!builder.currentIs(TagId::Html)) builder.error(State::InFrameset);
            return ModeResult::Handled;
    }
    builder.error(State::InFrameset);
    return ModeResult::Ignored;
}

// #parsing-main-afterframeset
ModeResult afterFrameset(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (insertIfWhitespace(token, builder)) return ModeResult::Handled;
            break;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: break;
        case TokenType::StartTag:
            if (idOf(token.asStartTag()) == TagId::Html) return builder.processAs(State::InBody, token);
            if (idOf(token.asStartTag()) == TagId::Noframes) return builder.processAs(State::InHead, token);
            break;
        case TokenType::EndTag:
            if (idOf(token.asEndTag()) != TagId::Html) break;
            builder.transition(State::AfterAfterFrameset);
            return ModeResult::Handled;
        case TokenType::EndOfFile: return ModeResult::Handled;
    }
    builder.error(State::AfterFrameset);
    return ModeResult::Ignored;
}

// #the-after-after-body-insertion-mode
ModeResult afterAfterBody(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: return builder.processAs(State::InBody, token);
        case TokenType::Char:
            if (isWhitespace(token)) return builder.processAs(State::InBody, token);
            break;
        case TokenType::StartTag:
            if (idOf(token.asStartTag()) == TagId::Html) return builder.processAs(State::InBody, token);
            break;
        case TokenType::EndTag: break;
        case TokenType::EndOfFile: return ModeResult::Handled;
    }
    builder.error(State::AfterAfterBody);
    builder.transition(State::InBody);
    return ModeResult::Reprocess;
}

// #the-after-after-frameset-insertion-mode
ModeResult afterAfterFrameset(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: return builder.processAs(State::InBody, token);
        case TokenType::Char:
            if (isWhitespace(token)) return builder.processAs(State::InBody, token);
            break;
        case TokenType::StartTag:
            if (idOf(token.asStartTag()) == TagId::Html) return builder.processAs(State::InBody, token);
            if (idOf(token.asStartTag()) == TagId::Noframes) return builder.processAs(State::InHead, token);
            break;
        case TokenType::EndTag: break;
        case TokenType::EndOfFile: return ModeResult::Handled;
    }
    builder.error(State::AfterAfterFrameset);
    return ModeResult::Ignored;
}

// #parsing-main-inforeign: never entered; svg and math content is built by the in-body rules.
ModeResult foreignContent(Token&, HtmlTreeBuilder&) { return ModeResult::Handled; }

}  // namespace novawick::html::modes
