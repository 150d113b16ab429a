// DOCTYPE states. The name keeps its case as written; identifiers are read in runs up to the
// closing quote, ">" or U+0000.
#include "html/parser/tokeniser.h"

#include "base/utf8.h"
#include "html/parser/tokeniser_sets.h"

namespace novawick::html {

namespace utf8 = novawick::utf8;

using namespace tokeniser_sets;
using S = TokeniserState;

namespace {

constexpr ByteSet kDoubleQuotedIdentifierStops{std::string_view("\">\0", 3)};
constexpr ByteSet kSingleQuotedIdentifierStops{std::string_view("'>\0", 3)};
constexpr ByteSet kWhitespace{"\t\n\r\f "};

}  // namespace

// #doctype-state
void Tokeniser::doctype() {
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return transition(S::BeforeDoctypeName);
    switch (c) {
        case '>':
            reportUnexpectedCharacter();
            newDoctypePending();
            return emitQuirkyDoctype();
        case kEndOfInput:
            reportUnexpectedEnd();
            newDoctypePending();
            return emitQuirkyDoctype();
        default:
            reportUnexpectedCharacter();
            reader_.unconsume();
            return transition(S::BeforeDoctypeName);
    }
}

// #before-doctype-name-state. Differs from a literal port: ">" here ends the DOCTYPE (nameless,
// force-quirks) instead of starting its name, which would swallow the markup after it.
void Tokeniser::beforeDoctypeName() {
    if (reader_.matchesLetter()) {
        newDoctypePending();
        return transition(S::DoctypeName);
    }
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return;
    switch (c) {
        case kNull:
            reportUnexpectedCharacter();
            newDoctypePending();
            utf8::append(doctypePending_.name, kReplacement);
            return transition(S::DoctypeName);
        case '>':
            reportUnexpectedCharacter();
            newDoctypePending();
            return emitQuirkyDoctype();
        case kEndOfInput:
            reportUnexpectedEnd();
            newDoctypePending();
            return emitQuirkyDoctype();
        default:
            newDoctypePending();
            utf8::append(doctypePending_.name, c);
            return transition(S::DoctypeName);
    }
}

// #doctype-name-state. The name keeps its case.
void Tokeniser::doctypeName() {
    if (reader_.matchesLetter()) {
        doctypePending_.name.append(reader_.consumeLetterSequence());
        return;
    }
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return transition(S::AfterDoctypeName);
    switch (c) {
        case '>':
            emitPendingDoctype();
            return transition(S::Data);
        case kNull:
            reportUnexpectedCharacter();
            return utf8::append(doctypePending_.name, kReplacement);
        case kEndOfInput:
            reportUnexpectedEnd();
            return emitQuirkyDoctype();
        default: return utf8::append(doctypePending_.name, c);
    }
}

// #after-doctype-name-state
void Tokeniser::afterDoctypeName() {
    if (reader_.isEmpty()) {
        reportUnexpectedEnd();
        return emitQuirkyDoctype();
    }
    if (reader_.matchesAny(kWhitespace)) return reader_.advance();
    if (reader_.matches(U'>')) {
        emitPendingDoctype();
        return advanceTransition(S::Data);
    }
    if (reader_.matchConsumeIgnoreCase("PUBLIC")) {
        doctypePending_.pubSysKey = "PUBLIC";
        return transition(S::AfterDoctypePublicKeyword);
    }
    if (reader_.matchConsumeIgnoreCase("SYSTEM")) {
        doctypePending_.pubSysKey = "SYSTEM";
        return transition(S::AfterDoctypeSystemKeyword);
    }
    reportUnexpectedCharacter();
    doctypePending_.forceQuirks = true;
    advanceTransition(S::BogusDoctype);
}

// #after-doctype-public-keyword-state, #after-doctype-system-keyword-state
void Tokeniser::afterDoctypeKeyword(bool isPublic) {
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c))
        return transition(isPublic ? S::BeforeDoctypePublicIdentifier : S::BeforeDoctypeSystemIdentifier);
    switch (c) {
        case '"':
            reportUnexpectedCharacter();
            return transition(isPublic ? S::DoctypePublicIdentifier_doubleQuoted
                                       : S::DoctypeSystemIdentifier_doubleQuoted);
        case '\'':
            reportUnexpectedCharacter();
            return transition(isPublic ? S::DoctypePublicIdentifier_singleQuoted
                                       : S::DoctypeSystemIdentifier_singleQuoted);
        case '>':
            reportUnexpectedCharacter();
            return emitQuirkyDoctype();
        case kEndOfInput:
            reportUnexpectedEnd();
            return emitQuirkyDoctype();
        default:
            reportUnexpectedCharacter();
            doctypePending_.forceQuirks = true;
            return transition(S::BogusDoctype);
    }
}

// #before-doctype-public-identifier-state, #before-doctype-system-identifier-state
void Tokeniser::beforeDoctypeIdentifier(bool isPublic) {
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return;
    switch (c) {
        case '"':
            return transition(isPublic ? S::DoctypePublicIdentifier_doubleQuoted
                                       : S::DoctypeSystemIdentifier_doubleQuoted);
        case '\'':
            return transition(isPublic ? S::DoctypePublicIdentifier_singleQuoted
                                       : S::DoctypeSystemIdentifier_singleQuoted);
        case '>':
            reportUnexpectedCharacter();
            return emitQuirkyDoctype();
        case kEndOfInput:
            reportUnexpectedEnd();
            return emitQuirkyDoctype();
        default:
            reportUnexpectedCharacter();
            doctypePending_.forceQuirks = true;
            return transition(S::BogusDoctype);
    }
}

// #doctype-public-identifier-(double-quoted)-state and its single-quoted and system siblings
void Tokeniser::doctypeIdentifier(bool isPublic, char quote) {
    std::string& identifier = isPublic ? doctypePending_.publicIdentifier : doctypePending_.systemIdentifier;
    identifier.append(reader_.consumeToAny(quote == '"' ? kDoubleQuotedIdentifierStops
                                                        : kSingleQuotedIdentifierStops));
    const char32_t c = reader_.consume();
    if (c == static_cast<char32_t>(quote))
        return transition(isPublic ? S::AfterDoctypePublicIdentifier : S::AfterDoctypeSystemIdentifier);
    switch (c) {
        case kNull:
            reportUnexpectedCharacter();
            return utf8::append(identifier, kReplacement);
        case '>':
            reportUnexpectedCharacter();
            return emitQuirkyDoctype();
        case kEndOfInput:
            reportUnexpectedEnd();
            return emitQuirkyDoctype();
        default: return utf8::append(identifier, c);  // unreachable: the run stops only at the above
    }
}

// #after-doctype-public-identifier-state and, with `between`,
// #between-doctype-public-and-system-identifiers-state (a quote is an error in both here).
void Tokeniser::afterDoctypePublicIdentifier(bool between) {
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) {
        if (!between) transition(S::BetweenDoctypePublicAndSystemIdentifiers);
        return;
    }
    switch (c) {
        case '>':
            emitPendingDoctype();
            return transition(S::Data);
        case '"':
            reportUnexpectedCharacter();
            return transition(S::DoctypeSystemIdentifier_doubleQuoted);
        case '\'':
            reportUnexpectedCharacter();
            return transition(S::DoctypeSystemIdentifier_singleQuoted);
        case kEndOfInput:
            reportUnexpectedEnd();
            return emitQuirkyDoctype();
        default:
            reportUnexpectedCharacter();
            doctypePending_.forceQuirks = true;
            return transition(S::BogusDoctype);
    }
}

// #after-doctype-system-identifier-state
void Tokeniser::afterDoctypeSystemIdentifier() {
    const char32_t c = reader_.consume();
    if (isTagWhitespace(c)) return;
    switch (c) {
        case '>':
            emitPendingDoctype();
            return transition(S::Data);
        case kEndOfInput:
            reportUnexpectedEnd();
            return emitQuirkyDoctype();
        default:
            reportUnexpectedCharacter();
            return transition(S::BogusDoctype);
    }
}

// #bogus-doctype-state
void Tokeniser::bogusDoctype() {
    reader_.consumeTo('>');
    reader_.consume();
    emitPendingDoctype();
    transition(S::Data);
}

}  // namespace novawick::html
