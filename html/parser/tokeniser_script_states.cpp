// Script data states: "<!--" escapes and the "<script>" double escape inside them. Plain script
// data and its end-tag states share their code with RAWTEXT (tokeniser_data_states.cpp).
#include "html/parser/tokeniser.h"
#include "html/parser/tokeniser_sets.h"

namespace novawick::html {

using namespace tokeniser_sets;
using S = TokeniserState;

// #script-data-less-than-sign-state
void Tokeniser::scriptDataLessThanSign() {
    switch (reader_.consume()) {
        case '/':
            dataBuffer_.clear();
            return transition(S::ScriptDataEndTagOpen);
        case '!':
            emit(std::string_view("<!"));
            return transition(S::ScriptDataEscapeStart);
        default:
            emit(U'<');
            reader_.unconsume();
            return transition(S::ScriptData);
    }
}

// #script-data-escape-start-state, #script-data-escape-start-dash-state
void Tokeniser::scriptDataEscapeStart(TokeniserState next) {
    if (reader_.matches(U'-')) {
        emit(U'-');
        return advanceTransition(next);
    }
    transition(S::ScriptData);
}

// #script-data-escaped-state
void Tokeniser::scriptDataEscaped() {
    switch (reader_.current()) {
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        case '-':
            emit(U'-');
            return advanceTransition(S::ScriptDataEscapedDash);
        case '<': return advanceTransition(S::ScriptDataEscapedLessthanSign);
        case kNull:
            reportUnexpectedCharacter();
            reader_.advance();
            return emit(kReplacement);
        default: return emitRun(reader_.consumeToAny(kScriptEscapedStops));
    }
}

// #script-data-escaped-dash-state
void Tokeniser::scriptDataEscapedDash() {
    if (reader_.isEmpty()) {
        reportUnexpectedEnd();
        return transition(S::Data);
    }
    const char32_t c = reader_.consume();
    switch (c) {
        case '-':
            emit(U'-');
            return transition(S::ScriptDataEscapedDashDash);
        case '<': return transition(S::ScriptDataEscapedLessthanSign);
        case kNull:
            reportUnexpectedCharacter();
            emit(kReplacement);
            return transition(S::ScriptDataEscaped);
        default:
            emit(c);
            return transition(S::ScriptDataEscaped);
    }
}

// #script-data-escaped-dash-dash-state
void Tokeniser::scriptDataEscapedDashDash() {
    if (reader_.isEmpty()) {
        reportUnexpectedEnd();
        return transition(S::Data);
    }
    const char32_t c = reader_.consume();
    switch (c) {
        case '-': return emit(U'-');
        case '<': return transition(S::ScriptDataEscapedLessthanSign);
        case '>':
            emit(U'>');
            return transition(S::ScriptData);
        case kNull:
            reportUnexpectedCharacter();
            emit(kReplacement);
            return transition(S::ScriptDataEscaped);
        default:
            emit(c);
            return transition(S::ScriptDataEscaped);
    }
}

// #script-data-escaped-less-than-sign-state
void Tokeniser::scriptDataEscapedLessThanSign() {
    if (reader_.matchesLetter()) {
        dataBuffer_.clear();
        const std::string_view letter = reader_.consumeAsString();
        dataBuffer_.append(letter);
        emit(U'<');
        emit(letter);
        return transition(S::ScriptDataDoubleEscapeStart);
    }
    if (reader_.matches(U'/')) {
        dataBuffer_.clear();
        return advanceTransition(S::ScriptDataEscapedEndTagOpen);
    }
    emit(U'<');
    transition(S::ScriptDataEscaped);
}

// #script-data-double-escape-start-state and #script-data-double-escape-end-state: the buffered
// name is compared with "script" exactly (case as written).
void Tokeniser::doubleEscapeTag(TokeniserState primary, TokeniserState fallback) {
    if (reader_.matchesLetter()) {
        const std::string_view name = reader_.consumeLetterSequence();
        dataBuffer_.append(name);
        return emit(name);
    }
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c) || c == '/' || c == '>') {
        transition(dataBuffer_ == "script" ? primary : fallback);
        return emit(c);
    }
    reader_.unconsume();
    transition(fallback);
}

// #script-data-double-escaped-state
void Tokeniser::scriptDataDoubleEscaped() {
    switch (reader_.current()) {
        case '-':
            emit(U'-');
            return advanceTransition(S::ScriptDataDoubleEscapedDash);
        case '<':
            emit(U'<');
            return advanceTransition(S::ScriptDataDoubleEscapedLessthanSign);
        case kNull:
            reportUnexpectedCharacter();
            reader_.advance();
            return emit(kReplacement);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default: return emitRun(reader_.consumeToAny(kScriptEscapedStops));
    }
}

// #script-data-double-escaped-dash-state
void Tokeniser::scriptDataDoubleEscapedDash() {
    const char32_t c = reader_.consume();
    switch (c) {
        case '-':
            emit(c);
            return transition(S::ScriptDataDoubleEscapedDashDash);
        case '<':
            emit(c);
            return transition(S::ScriptDataDoubleEscapedLessthanSign);
        case kNull:
            reportUnexpectedCharacter();
            emit(kReplacement);
            return transition(S::ScriptDataDoubleEscaped);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default:
            emit(c);
            return transition(S::ScriptDataDoubleEscaped);
    }
}

// #script-data-double-escaped-dash-dash-state
void Tokeniser::scriptDataDoubleEscapedDashDash() {
    const char32_t c = reader_.consume();
    switch (c) {
        case '-': return emit(c);
        case '<':
            emit(c);
            return transition(S::ScriptDataDoubleEscapedLessthanSign);
        case '>':
            emit(c);
            return transition(S::ScriptData);
        case kNull:
            reportUnexpectedCharacter();
            emit(kReplacement);
            return transition(S::ScriptDataDoubleEscaped);
        case kEndOfInput:
            reportUnexpectedEnd();
            return transition(S::Data);
        default:
            emit(c);
            return transition(S::ScriptDataDoubleEscaped);
    }
}

// #script-data-double-escaped-less-than-sign-state
void Tokeniser::scriptDataDoubleEscapedLessThanSign() {
    if (reader_.matches(U'/')) {
        emit(U'/');
        dataBuffer_.clear();
        return advanceTransition(S::ScriptDataDoubleEscapeEnd);
    }
    transition(S::ScriptDataDoubleEscaped);
}

}  // namespace novawick::html
