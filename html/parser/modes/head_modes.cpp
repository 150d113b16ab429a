// The head modes: InHead, InHeadNoscript and AfterHead, plus the raw-text insertion that `title`,
// `style`, `script` and friends share with the body.
#include "html/nodes/element.h"
#include "html/parser/modes/insertion_modes.h"
#include "html/parser/tokeniser.h"

namespace novawick::html::modes {

using State = HtmlTreeBuilderState;

// The tokeniser is switched before the element is inserted, so that a self-closing `<title/>` (which
// the insertion closes again at once and returns the tokeniser to Data) does not leave the rest of the
// page to be read as raw text.
void insertRawText(StartTagToken& token, HtmlTreeBuilder& builder, TokeniserState tokeniserState) {
    builder.tokeniser().transition(tokeniserState);
    builder.insert(token);
    builder.markInsertionMode();
    builder.transition(State::Text);
}

namespace {

ModeResult inHeadStartTag(StartTagToken& tag, HtmlTreeBuilder& builder) {
    const TagId id = idOf(tag);
    if (id == TagId::Html) return builder.processAs(State::InBody, tag);
    if (tags::kHeadVoidTags.contains(id)) {
        const Element* element = builder.insertEmpty(tag);
        if (id == TagId::Base && element->hasAttr("href")) builder.maybeSetBaseUri(*element);
        return ModeResult::Handled;
    }
    switch (id) {
        case TagId::Meta: builder.insertEmpty(tag); return ModeResult::Handled;
        case TagId::Title: insertRawText(tag, builder, TokeniserState::Rcdata); return ModeResult::Handled;
        case TagId::Noframes:
        case TagId::Style: insertRawText(tag, builder, TokeniserState::Rawtext); return ModeResult::Handled;
        case TagId::Noscript:
            builder.insert(tag);
            builder.transition(State::InHeadNoscript);
            return ModeResult::Handled;
        case TagId::Script: insertRawText(tag, builder, TokeniserState::ScriptData); return ModeResult::Handled;
        case TagId::Head: builder.error(State::InHead); return ModeResult::Ignored;
        default: break;
    }
    builder.processEndTag("head");
    return ModeResult::Reprocess;
}

}  // namespace

// #parsing-main-inhead
ModeResult inHead(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (insertIfWhitespace(token, builder)) return ModeResult::Handled;
            break;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: builder.error(State::InHead); return ModeResult::Ignored;
        case TokenType::StartTag: return inHeadStartTag(token.asStartTag(), builder);
        case TokenType::EndTag: {
            const TagId id = idOf(token.asEndTag());
            if (id == TagId::Head) {
                builder.pop();
                builder.transition(State::AfterHead);
                return ModeResult::Handled;
            }
            if (tags::kHeadEndTagsActingAsElse.contains(id)) break;
            builder.error(State::InHead);
            return ModeResult::Ignored;
        }
        case TokenType::EndOfFile: break;
    }
    builder.processEndTag("head");
    return ModeResult::Reprocess;
}

// #parsing-main-inheadnoscript
ModeResult inHeadNoscript(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Doctype: builder.error(State::InHeadNoscript); return ModeResult::Ignored;
        case TokenType::Comment: return builder.processAs(State::InHead, token);
        case TokenType::Char:
            if (isWhitespace(token)) return builder.processAs(State::InHead, token);
            break;
        case TokenType::StartTag: {
            const TagId id = idOf(token.asStartTag());
            if (id == TagId::Html) return builder.processAs(State::InBody, token);
            if (tags::kHeadNoscriptTags.contains(id)) return builder.processAs(State::InHead, token);
            if (id == TagId::Head || id == TagId::Noscript) {
                builder.error(State::InHeadNoscript);
                return ModeResult::Ignored;
            }
            break;
        }
        case TokenType::EndTag: {
            const TagId id = idOf(token.asEndTag());
            if (id == TagId::Noscript) {
                builder.pop();
                builder.transition(State::InHead);
                return ModeResult::Handled;
            }
            if (id == TagId::Br) break;
            builder.error(State::InHeadNoscript);
            return ModeResult::Ignored;
        }
        case TokenType::EndOfFile: break;
    }
    builder.error(State::InHeadNoscript);
    builder.pop();
    builder.transition(State::InHead);
    return ModeResult::Reprocess;
}

namespace {

ModeResult afterHeadStartTag(StartTagToken& tag, HtmlTreeBuilder& builder) {
    const TagId id = idOf(tag);
    switch (id) {
        case TagId::Html: return builder.processAs(State::InBody, tag);
        case TagId::Body:
            builder.insert(tag);
            builder.framesetOk(false);
            builder.transition(State::InBody);
            return ModeResult::Handled;
        case TagId::Frameset:
            builder.insert(tag);
            builder.transition(State::InFrameset);
            return ModeResult::Handled;
        case TagId::Head: builder.error(State::AfterHead); return ModeResult::Ignored;
        default: break;
    }
    if (tags::kAfterHeadHeadTags.contains(id)) {
        builder.error(State::AfterHead);
        Element* head = builder.headElement();
        if (head == nullptr) return builder.processAs(State::InHead, tag);
        builder.push(head);
        const ModeResult result = builder.processAs(State::InHead, tag);
        builder.removeFromStack(head);
        return result;
    }
    builder.processStartTag("body");
    builder.framesetOk(true);
    return ModeResult::Reprocess;
}

}  // namespace

// #the-after-head-insertion-mode
ModeResult afterHead(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char:
            if (insertIfWhitespace(token, builder)) return ModeResult::Handled;
            break;
        case TokenType::Comment: builder.insertComment(token.asComment()); return ModeResult::Handled;
        case TokenType::Doctype: builder.error(State::AfterHead); return ModeResult::Ignored;
        case TokenType::StartTag: return afterHeadStartTag(token.asStartTag(), builder);
        case TokenType::EndTag: {
            const TagId id = idOf(token.asEndTag());
            if (id == TagId::Body || id == TagId::Html) break;
            builder.error(State::AfterHead);
            return ModeResult::Ignored;
        }
        case TokenType::EndOfFile: break;
    }
    builder.processStartTag("body");
    builder.framesetOk(true);
    return ModeResult::Reprocess;
}

// #parsing-main-incdata: raw text of script, style, title, textarea and the like.
ModeResult text(Token& token, HtmlTreeBuilder& builder) {
    switch (token.type()) {
        case TokenType::Char: builder.insertCharacters(token.asCharacter().text()); return ModeResult::Handled;
        case TokenType::EndOfFile:
            builder.error(State::Text);
            builder.pop();
            builder.transition(builder.originalState());
            return ModeResult::Reprocess;
        case TokenType::EndTag:
            builder.pop();
            builder.transition(builder.originalState());
            return ModeResult::Handled;
        case TokenType::Doctype:
        case TokenType::StartTag:
        case TokenType::Comment: break;  // the tokeniser yields none of these in raw text
    }
    return ModeResult::Handled;
}

}  // namespace novawick::html::modes
