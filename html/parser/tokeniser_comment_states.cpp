// Comment states, and bogus comments (markup such as "<?php ?>" or "</1>" kept as comment data).
#include "html/parser/tokeniser.h"

#include "base/utf8.h"
#include "html/parser/tokeniser_sets.h"

namespace novawick::html {

namespace utf8 = novawick::utf8;

using namespace tokeniser_sets;
using S = TokeniserState;

// #bogus-comment-state. The scalar that led here (e.g. "?") is part of the data; U+0000 is kept.
void Tokeniser::bogusComment() {
    reader_.unconsume();
    newCommentPending();
    commentPending_.bogus = true;
    commentPending_.data.append(reader_.consumeTo('>'));
    emitPendingComment();
    advanceTransition(S::Data);
}

// #comment-start-state and #comment-start-dash-state. Differs: further dashes after "<!--" stay in
// the start-dash state, so "<!----x-->" is the comment "x".
void Tokeniser::commentStart(bool afterDash) {
    const char32_t c = reader_.consume();
    switch (c) {
        case '-':
            if (!afterDash) transition(S::CommentStartDash);
            return;
        case kNull:
            reportUnexpectedCharacter();
            utf8::append(commentPending_.data, kReplacement);
            return transition(S::Comment);
        case '>':
            reportUnexpectedCharacter();
            emitPendingComment();
            return transition(S::Data);
        case kEndOfInput:
            reportUnexpectedEnd();
            emitPendingComment();
            return transition(S::Data);
        default:
            utf8::append(commentPending_.data, c);
            return transition(S::Comment);
    }
}

// #comment-state
void Tokeniser::comment() {
    switch (reader_.current()) {
        case '-': return advanceTransition(S::CommentEndDash);
        case kNull:
            reportUnexpectedCharacter();
            reader_.advance();
            return utf8::append(commentPending_.data, kReplacement);
        case kEndOfInput:
            reportUnexpectedEnd();
            emitPendingComment();
            return transition(S::Data);
        default: commentPending_.data.append(reader_.consumeToAny(kCommentStops));
    }
}

// #comment-end-dash-state
void Tokeniser::commentEndDash() {
    const char32_t c = reader_.consume();
    switch (c) {
        case '-': return transition(S::CommentEnd);
        case kNull:
            reportUnexpectedCharacter();
            commentPending_.data.push_back('-');
            utf8::append(commentPending_.data, kReplacement);
            return transition(S::Comment);
        case kEndOfInput:
            reportUnexpectedEnd();
            emitPendingComment();
            return transition(S::Data);
        default:
            commentPending_.data.push_back('-');
            utf8::append(commentPending_.data, c);
            return transition(S::Comment);
    }
}

// #comment-end-state
void Tokeniser::commentEnd() {
    const char32_t c = reader_.consume();
    switch (c) {
        case '>':
            emitPendingComment();
            return transition(S::Data);
        case '!':
            reportUnexpectedCharacter();
            return transition(S::CommentEndBang);
        case '-':
            reportUnexpectedCharacter();
            return commentPending_.data.push_back('-');
        case kNull:
            reportUnexpectedCharacter();
            commentPending_.data.append("--");
            utf8::append(commentPending_.data, kReplacement);
            return transition(S::Comment);
        case kEndOfInput:
            reportUnexpectedEnd();
            emitPendingComment();
            return transition(S::Data);
        default:
            reportUnexpectedCharacter();
            commentPending_.data.append("--");
            utf8::append(commentPending_.data, c);
            return transition(S::Comment);
    }
}

// #comment-end-bang-state
void Tokeniser::commentEndBang() {
    const char32_t c = reader_.consume();
    switch (c) {
        case '-':
            commentPending_.data.append("--!");
            return transition(S::CommentEndDash);
        case '>':
            emitPendingComment();
            return transition(S::Data);
        case kNull:
            reportUnexpectedCharacter();
            commentPending_.data.append("--!");
            utf8::append(commentPending_.data, kReplacement);
            return transition(S::Comment);
        case kEndOfInput:
            reportUnexpectedEnd();
            emitPendingComment();
            return transition(S::Data);
        default:
            commentPending_.data.append("--!");
            utf8::append(commentPending_.data, c);
            return transition(S::Comment);
    }
}

}  // namespace novawick::html
