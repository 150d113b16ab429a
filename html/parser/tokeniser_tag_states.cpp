// Tag states: "<", "</", tag names, attributes and the self-closing flag. Names keep their case as
// written (the tag token also holds the lower-cased name); attribute runs are taken in one scan.
#include "html/parser/tokeniser.h"
#include "html/parser/tokeniser_sets.h"

namespace novawick::html {

using namespace tokeniser_sets;
using S = TokeniserState;

namespace {

bool isQuoteOrLessThan(char32_t c) { return c == '"' || c == '\'' || c == '<'; }

}  // namespace

// #tag-open-state. "<?" becomes a bogus comment that keeps the "?".
void Tokeniser::tagOpen() {
    switch (reader_.current()) {
        case '!': return advanceTransition(S::MarkupDeclarationOpen);
        case '/': return advanceTransition(S::EndTagOpen);
        case '?': return advanceTransition(S::BogusComment);
        default:
            if (reader_.matchesLetter()) {
                newTagPending(true);
                return transition(S::TagName);
            }
            reportUnexpectedCharacter();
            emit(U'<');
            return transition(S::Data);
    }
}

// #end-tag-open-state
void Tokeniser::endTagOpen() {
    if (reader_.isEmpty()) {
        reportUnexpectedEnd();
        emit(std::string_view("</"));
        return transition(S::Data);
    }
    if (reader_.matchesLetter()) {
        newTagPending(false);
        return transition(S::TagName);
    }
    reportUnexpectedCharacter();
    advanceTransition(reader_.matches(U'>') ? S::Data : S::BogusComment);
}

// #tag-name-state. U+0000 in a name becomes U+FFFD without an error.
void Tokeniser::tagName() {
    const CharacterReader::NameRun run = reader_.consumeTagNameRun();
    tagPending_->addToName(run.text, run.ascii, run.hasUpper);
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return transition(S::BeforeAttributeName);
    switch (c) {
        case '/': return transition(S::SelfClosingStartTag);
        case '>':
            emitPendingTag();
            return transition(S::Data);
        case kNull: return tagPending_->addToName(kReplacement);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default: return tagPending_->addToName(c);  // unreachable: the run stops only at the above
    }
}

// #before-attribute-name-state
void Tokeniser::beforeAttributeName() {
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return;
    switch (c) {
        case '/': return transition(S::SelfClosingStartTag);
        case '>':
            emitPendingTag();
            return transition(S::Data);
        case '"':
        case '\'':
        case '<':
        case '=':
            reportUnexpectedCharacter();
            tagPending_->finishAttribute();
            tagPending_->addToAttributeName(c);
            return transition(S::AttributeName);
        case kNull:
            reportUnexpectedCharacter();
            tagPending_->finishAttribute();
            reader_.unconsume();
            return transition(S::AttributeName);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default:
            tagPending_->finishAttribute();
            reader_.unconsume();
            return transition(S::AttributeName);
    }
}

// #attribute-name-state. The name keeps its case.
void Tokeniser::attributeName() {
    tagPending_->addToAttributeName(reader_.consumeToAny(kAttributeNameStops));
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return transition(S::AfterAttributeName);
    switch (c) {
        case '/': return transition(S::SelfClosingStartTag);
        case '=': return transition(S::BeforeAttributeValue);
        case '>':
            emitPendingTag();
            return transition(S::Data);
        case kNull:
            reportUnexpectedCharacter();
            return tagPending_->addToAttributeName(kReplacement);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default:  // a quotation mark, apostrophe or "<"
            reportUnexpectedCharacter();
            return tagPending_->addToAttributeName(c);
    }
}

// #after-attribute-name-state
void Tokeniser::afterAttributeName() {
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return;
    switch (c) {
        case '/': return transition(S::SelfClosingStartTag);
        case '=': return transition(S::BeforeAttributeValue);
        case '>':
            emitPendingTag();
            return transition(S::Data);
        case kNull:
            reportUnexpectedCharacter();
            tagPending_->addToAttributeName(kReplacement);
            return transition(S::AttributeName);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default:
            if (isQuoteOrLessThan(c)) {
                reportUnexpectedCharacter();
                tagPending_->finishAttribute();
                tagPending_->addToAttributeName(c);
            } else {
                tagPending_->finishAttribute();
                reader_.unconsume();
            }
            return transition(S::AttributeName);
    }
}

// #before-attribute-value-state. Differs: at the end of input the tag is still emitted.
void Tokeniser::beforeAttributeValue() {
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return;
    switch (c) {
        case '"': return transition(S::AttributeValue_doubleQuoted);
        case '\'': return transition(S::AttributeValue_singleQuoted);
        case kNull:
            reportUnexpectedCharacter();
            tagPending_->addToAttributeValue(kReplacement);
            return transition(S::AttributeValue_unquoted);
        case '<':
        case '=':
        case '`':
            reportUnexpectedCharacter();
            tagPending_->addToAttributeValue(c);
            return transition(S::AttributeValue_unquoted);
        case '>':
            reportUnexpectedCharacter();
            emitPendingTag();
            return transition(S::Data);
        case kEndOfInput:
            reportUnexpectedEnd();
            emitPendingTag();
            return transition(S::Data);
        default:
            reader_.unconsume();
            return transition(S::AttributeValue_unquoted);
    }
}

// #attribute-value-(double-quoted)-state, #attribute-value-(single-quoted)-state. An empty run marks
// the value as explicitly empty, so `a=""` is an empty value rather than a boolean attribute.
void Tokeniser::attributeValueQuoted(char quote, const ByteSet& stops) {
    const std::string_view run = reader_.consumeToAny(stops);
    if (run.empty())
        tagPending_->markEmptyAttributeValue();
    else
        tagPending_->addToAttributeValue(run);
    const char32_t c = reader_.consume();
    if (c == static_cast<char32_t>(quote)) return transition(S::AfterAttributeValue_quoted);
    switch (c) {
        case '&': {
            const CharacterReference reference = readCharacterReference(static_cast<char32_t>(quote), true);
            if (reference.count == 0) tagPending_->addToAttributeValue(U'&');
            for (std::size_t i = 0; i < reference.count; ++i) tagPending_->addToAttributeValue(reference.scalars[i]);
            return;
        }
        case kNull:
            reportUnexpectedCharacter();
            return tagPending_->addToAttributeValue(kReplacement);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default: return tagPending_->addToAttributeValue(c);  // unreachable: the run stops only at the above
    }
}

// #attribute-value-(unquoted)-state
void Tokeniser::attributeValueUnquoted() {
    const std::string_view run = reader_.consumeToAny(kUnquotedValueStops);
    if (!run.empty()) tagPending_->addToAttributeValue(run);
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return transition(S::BeforeAttributeName);
    switch (c) {
        case '&': {
            const CharacterReference reference = readCharacterReference(U'>', true);
            if (reference.count == 0) tagPending_->addToAttributeValue(U'&');
            for (std::size_t i = 0; i < reference.count; ++i) tagPending_->addToAttributeValue(reference.scalars[i]);
            return;
        }
        case '>':
            emitPendingTag();
            return transition(S::Data);
        case kNull:
            reportUnexpectedCharacter();
            return tagPending_->addToAttributeValue(kReplacement);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default:  // a quotation mark, apostrophe, "<", "=" or "`"
            reportUnexpectedCharacter();
            return tagPending_->addToAttributeValue(c);
    }
}

// #after-attribute-value-(quoted)-state
void Tokeniser::afterAttributeValueQuoted() {
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return transition(S::BeforeAttributeName);
    switch (c) {
        case '/': return transition(S::SelfClosingStartTag);
        case '>':
            emitPendingTag();
            return transition(S::Data);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default:
            reportUnexpectedCharacter();
            reader_.unconsume();
            return transition(S::BeforeAttributeName);
    }
}

// #self-closing-start-tag-state
void Tokeniser::selfClosingStartTag() {
    const char32_t c = reader_.consume();
    switch (c) {
        case '>':
            tagPending_->setSelfClosing(true);
            emitPendingTag();
            return transition(S::Data);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default:
            reportUnexpectedCharacter();
            reader_.unconsume();
            return transition(S::BeforeAttributeName);
    }
}

}  // namespace novawick::html
