// Text states: data, RCDATA, RAWTEXT, script data's plain part, PLAINTEXT, character references in
// text, and the "<" / "</" / end-tag-name states of the raw text kinds. Text runs are emitted as
// views of the input; the tokeniser copies them once into its character buffer.
#include "html/nodes/exception.h"
#include "html/parser/tokeniser.h"
#include "html/parser/tokeniser_sets.h"

namespace novawick::html {

using namespace tokeniser_sets;
using S = TokeniserState;

// #data-state. U+0000 is kept as it is (with an error), not replaced.
void Tokeniser::data() {
    switch (reader_.current()) {
        case '&':
            if (decodeWholeNamedReference()) return;
            return advanceTransition(S::CharacterReferenceInData);
        case '<': return advanceTransition(S::TagOpen);
        case kNull:
            reportUnexpectedCharacter();
            return emit(reader_.consume());
        case kEndOfInput: return emitEndOfFile();
        default: return emitRun(reader_.consumeData());
    }
}

// #character-reference-state, with a fixed return state per text kind.
void Tokeniser::characterReferenceIn(TokeniserState returnState) {
    const CharacterReference reference = readCharacterReference(kEndOfInput, false);
    if (reference.count == 0) emit(U'&');
    for (std::size_t i = 0; i < reference.count; ++i) emit(reference.scalars[i]);
    transition(returnState);
}

// #rcdata-state
void Tokeniser::rcdata() {
    switch (reader_.current()) {
        case '&': return advanceTransition(S::CharacterReferenceInRcdata);
        case '<': return advanceTransition(S::RcdataLessthanSign);
        case kNull:
            reportUnexpectedCharacter();
            reader_.advance();
            return emit(kReplacement);
        case kEndOfInput: return emitEndOfFile();
        default: return emitRun(reader_.consumeToAny(kRcdataStops));
    }
}

// #rawtext-state and #script-data-state: the same read with their own "<" state.
void Tokeniser::rawData(TokeniserState lessThanState) {
    switch (reader_.current()) {
        case kNull:
            reportUnexpectedCharacter();
            reader_.advance();
            return emit(kReplacement);
        case kEndOfInput: return emitEndOfFile();
        case '<': return advanceTransition(lessThanState);
        default: return emitRun(reader_.consumeToAny(kRawDataStops));
    }
}

// #plaintext-state
void Tokeniser::plaintext() {
    switch (reader_.current()) {
        case kNull:
            reportUnexpectedCharacter();
            reader_.advance();
            return emit(kReplacement);
        case kEndOfInput: return emitEndOfFile();
        default: return emitRun(reader_.consumeTo('\0'));
    }
}

// #rcdata-less-than-sign-state. Differs: when the element's end tag appears nowhere later, a tag
// start ends the element here, so a stray <title> cannot swallow the rest of the page.
void Tokeniser::rcdataLessThanSign() {
    if (reader_.matches(U'/')) {
        dataBuffer_.clear();
        return advanceTransition(S::RCDATAEndTagOpen);
    }
    if (reader_.matchesLetter() && hasLastStartTag_ && !reader_.containsIgnoreCase("</" + lastStartTag())) {
        newTagPending(false).addToName(lastStartTag());
        emitPendingTag();
        reader_.unconsume();
        return transition(S::Data);
    }
    emit(U'<');
    transition(S::Rcdata);
}

// #rawtext-less-than-sign-state
void Tokeniser::rawtextLessThanSign() {
    if (reader_.matches(U'/')) {
        dataBuffer_.clear();
        return advanceTransition(S::RawtextEndTagOpen);
    }
    emit(U'<');
    transition(S::Rawtext);
}

// #rcdata-end-tag-open-state, #rawtext-end-tag-open-state, #script-data-end-tag-open-state,
// #script-data-escaped-end-tag-open-state
void Tokeniser::endTagOpen(TokeniserState nameState, TokeniserState fallback) {
    if (reader_.matchesLetter()) {
        newTagPending(false);
        return transition(nameState);
    }
    emit(std::string_view("</"));
    transition(fallback);
}

// #rcdata-end-tag-name-state
void Tokeniser::rcdataEndTagName() {
    if (reader_.matchesLetter()) {
        const std::string_view name = reader_.consumeLetterSequence();
        tagPending_->addToName(name);
        dataBuffer_.append(name);
        return;
    }
    const char32_t c = reader_.consume();
    if (isMatchingEndTag()) {
        if (isTagWhitespace(c)) return transition(S::BeforeAttributeName);
        if (c == '/') return transition(S::SelfClosingStartTag);
        if (c == '>') {
            emitPendingTag();
            return transition(S::Data);
        }
    }
    emit(std::string_view("</"));
    emit(dataBuffer_);
    reader_.unconsume();
    transition(S::Rcdata);
}

// #rawtext-end-tag-name-state, #script-data-end-tag-name-state,
// #script-data-escaped-end-tag-name-state. Differs: a scalar that is not a letter, white space, "/"
// or ">" after a matching name is kept in the text rather than read again.
void Tokeniser::endTagName(TokeniserState fallback) {
    if (reader_.matchesLetter()) {
        const std::string_view name = reader_.consumeLetterSequence();
        tagPending_->addToName(name);
        dataBuffer_.append(name);
        return;
    }
    if (isMatchingEndTag() && !reader_.isEmpty()) {
        const std::string_view taken = reader_.consumeAsString();
        const char32_t c = static_cast<unsigned char>(taken[0]);
        if (isTagWhitespace(c)) return transition(S::BeforeAttributeName);
        if (c == '/') return transition(S::SelfClosingStartTag);
        if (c == '>') {
            emitPendingTag();
            return transition(S::Data);
        }
        dataBuffer_.append(taken);
    }
    emit(std::string_view("</"));
    emit(dataBuffer_);
    transition(fallback);
}

}  // namespace novawick::html
