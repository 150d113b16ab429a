// The tokeniser's driver: handing out tokens, emitting, error reporting, character references and
// the dispatch of the 67 states (each family of states lives in its own tokeniser_*_states.cpp).
//
// Conventions of the state functions, so that they all read alike:
// - One call of a state function is one step. It looks at `reader_.current()` (no move) or takes one
//   scalar with `reader_.consume()`, may add to the pending tag, comment or DOCTYPE, may emit, and
//   sets the next state with `transition(s)` or `advanceTransition(s)` (step over the current
//   scalar, then switch). Staying in a state means not calling either.
// - Emitting only queues: `emit(text)` gathers characters, `emit(token)` parks one token; `read`
//   hands out the gathered characters first, then the token.
// - The end of input is `kEndOfInput` (above U+10FFFF); `unconsume` after a consume made at the end
//   does not move, since nothing was passed over.
// - "error" is `reportUnexpectedCharacter()`, "end error" is `reportUnexpectedEnd()`; messages are
//   built only when the error list has room.
// - Runs of ordinary text are taken with one scan (`consumeToAny`, `consumeTo`), never per scalar.
// - Each state names its WHATWG anchor in a one-line comment; the behaviour here is this library's
//   own where the two differ.
#include "html/parser/tokeniser.h"

#include <algorithm>

#include "base/utf8.h"
#include "html/nodes/exception.h"
#include "html/parser/entities.h"
#include "html/parser/tokeniser_sets.h"

namespace novawick::html {

using namespace tokeniser_sets;
namespace messages = tokeniser_messages;
namespace utf8 = novawick::utf8;

Tokeniser::Tokeniser(CharacterReader& reader, ParseErrorList* errors)
    : reader_(reader), errors_(errors), tagPending_(nullptr) {
    tagPending_ = &startPending_[0];
}

Token& Tokeniser::read() {
    if (!selfClosingFlagAcknowledged_) {
        reportError(messages::kSelfClosingNotAcknowledged);
        selfClosingFlagAcknowledged_ = true;
    }
    while (!isEmitPending_) step();
    if (hasChars_) {
        if (charsBorrowed_) {
            charPending_.borrow(borrowedChars_);
            charsBorrowed_ = false;
        } else {
            charPending_.borrow({});
            charPending_.data.swap(chars_);
            chars_.clear();
        }
        hasChars_ = false;
        return charPending_;
    }
    isEmitPending_ = false;
    return *emitPending_;
}

void Tokeniser::emit(Token& token) {
    if (isEmitPending_)
        throw Exception(ExceptionType::IllegalArgumentException, std::string(messages::kUnreadTokenPending));
    emitPending_ = &token;
    isEmitPending_ = true;
    if (token.isStartTag()) {
        const TagToken& tag = token.asTag();
        if (&tag == &startPending_[0] || &tag == &startPending_[1]) {
            lastStartToken_ = &tag;
        } else {
            lastStartTag_.assign(tag.name());
            lastStartTagNormal_.assign(tag.normalName());
            lastStartToken_ = nullptr;
        }
        hasLastStartTag_ = true;
        if (tag.isSelfClosing()) selfClosingFlagAcknowledged_ = false;
    } else if (token.isEndTag() && !token.asTag().attributes().empty()) {
        reportError(messages::kAttributesOnEndTag);
    }
}

// Empty runs are dropped: a character token always carries at least one scalar.
void Tokeniser::emit(std::string_view characters) {
    if (characters.empty()) return;
    stopBorrowing();
    chars_.append(characters);
    hasChars_ = true;
}

void Tokeniser::emit(char32_t c) {
    stopBorrowing();
    utf8::append(chars_, c);
    hasChars_ = true;
}

// Most character tokens are one run of text between tags: handing out a view of the input saves
// copying every text byte once more. Runs that meet in the input (a NUL split, say) grow the view.
void Tokeniser::emitRun(std::string_view run) {
    if (run.empty()) return;
    if (!hasChars_) {
        borrowedChars_ = run;
        charsBorrowed_ = true;
        hasChars_ = true;
        return;
    }
    if (charsBorrowed_ && borrowedChars_.data() + borrowedChars_.size() == run.data()) {
        borrowedChars_ = std::string_view(borrowedChars_.data(), borrowedChars_.size() + run.size());
        return;
    }
    emit(run);
}

void Tokeniser::stopBorrowing() {
    if (!charsBorrowed_) return;
    chars_.assign(borrowedChars_);
    charsBorrowed_ = false;
}

TagToken& Tokeniser::newTagPending(bool isStart) {
    if (isStart) {
        tagPending_ = &startPending_[lastStartToken_ == &startPending_[0] ? 1 : 0];
    } else {
        tagPending_ = &endPending_;
    }
    tagPending_->reset();
    return *tagPending_;
}

void Tokeniser::emitPendingTag() {
    tagPending_->finishTag();
    emit(*tagPending_);
}

void Tokeniser::newCommentPending() { commentPending_.reset(); }
void Tokeniser::emitPendingComment() { emit(commentPending_); }
void Tokeniser::newDoctypePending() { doctypePending_.reset(); }
void Tokeniser::emitPendingDoctype() { emit(doctypePending_); }

void Tokeniser::emitQuirkyDoctype() {
    doctypePending_.forceQuirks = true;
    emitPendingDoctype();
    transition(TokeniserState::Data);
}
void Tokeniser::emitEndOfFile() { emit(eofToken_); }

bool Tokeniser::isMatchingEndTag() const {
    if (!hasLastStartTag_) return false;
    const std::string& last = lastStartToken_ != nullptr ? lastStartToken_->normalName() : lastStartTagNormal_;
    return tagPending_->normalName() == last;
}

void Tokeniser::reportError(std::string_view message) {
    if (wantsErrors()) errors_->add(ParseError{reader_.getPos(), std::string(message)});
}

void Tokeniser::reportUnexpectedCharacter() {
    if (!wantsErrors()) return;
    std::string message(messages::kUnexpectedCharacter);
    const char32_t c = reader_.current();
    utf8::append(message, c == kEndOfInput ? char32_t{0xFFFF} : c);
    message += messages::kInInputState;
    message += messages::kStateEnumName;
    message += ']';
    reportError(message);
}

void Tokeniser::reportUnexpectedEnd() {
    if (!wantsErrors()) return;
    std::string message(messages::kUnexpectedEnd);
    message += messages::kStateEnumName;
    message += ']';
    reportError(message);
}

void Tokeniser::reportCharacterReference(std::string_view message) {
    if (!wantsErrors()) return;
    std::string text(messages::kCharacterReferencePrefix);
    text += message;
    reportError(text);
}

CharacterReference Tokeniser::readCharacterReference(char32_t additionalAllowed, bool inAttribute) {
    if (reader_.isEmpty()) return {};
    if (reader_.current() == additionalAllowed) return {};
    if (reader_.matchesAny(kCharacterReferenceStops)) return {};
    reader_.markPos();
    if (reader_.matchConsume('#')) return readNumericReference();
    return readNamedReference(inAttribute);
}

// A named reference written whole in text ("&nbsp;": ASCII letters, maybe digits, then ";") is the
// usual kind, and one with a known name is decoded here with no error to report. Anything else (no
// ";", a non-ASCII letter, an unknown name) is left to the reference states, untouched.
// Runs of them ("&nbsp;&nbsp;") are taken in one call.
bool Tokeniser::decodeWholeNamedReference() {
    constexpr std::size_t kLongestName = 32;  // longer than any name in the table
    const auto isAsciiLetter = [](char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; };
    const auto isAsciiDigit = [](char c) { return static_cast<unsigned char>(c - '0') < 10; };
    bool decoded = false;
    for (;;) {
        const std::string_view rest = reader_.toString();
        if (rest.empty() || rest[0] != '&') return decoded;
        const std::size_t limit = std::min(rest.size(), kLongestName + 1);
        std::size_t end = 1;
        while (end < limit && isAsciiLetter(rest[end])) ++end;
        if (end == 1) return decoded;
        while (end < limit && isAsciiDigit(rest[end])) ++end;
        if (end >= rest.size() || rest[end] != ';') return decoded;
        const std::string_view name = rest.substr(1, end - 1);
        if (name != lastReferenceName_) {
            const NamedCodepoint* entry = EscapeMode::extended().find(name);
            if (entry == nullptr) return decoded;
            std::string text;
            utf8::append(text, entry->scalar);
            if (entry->second != 0) utf8::append(text, entry->second);
            std::copy(text.begin(), text.end(), lastReferenceText_.begin());
            lastReferenceLength_ = text.size();
            lastReferenceName_ = name;
        }
        stopBorrowing();
        chars_.append(lastReferenceText_.data(), lastReferenceLength_);
        hasChars_ = true;
        reader_.advanceBytes(end + 1);
        decoded = true;
    }
}

CharacterReference Tokeniser::readNumericReference() {
    const bool hex = reader_.matchConsumeIgnoreCase("X");
    const std::string_view digits = hex ? reader_.consumeHexSequence() : reader_.consumeDigitSequence();
    if (digits.empty()) {
        reportCharacterReference(messages::kNoNumerals);
        reader_.rewindToMark();
        return {};
    }
    if (!reader_.matchConsume(';')) reportCharacterReference(messages::kMissingSemicolon);
    char32_t value = 0;
    for (char digit : digits) {
        const char32_t d = digit <= '9' ? char32_t(digit - '0') : char32_t((digit | 0x20) - 'a' + 10);
        value = value * (hex ? 16 : 10) + d;
        if (value > 0x10FFFF) break;  // saturate: every larger value is out of range alike
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        reportCharacterReference(messages::kOutsideValidRange);
        return {{utf8::kReplacement, 0}, 1};
    }
    return {{value, 0}, 1};
}

CharacterReference Tokeniser::readNamedReference(bool inAttribute) {
    const std::string_view name = reader_.consumeLetterThenDigitSequence();
    const bool looksLegit = reader_.matches(U';');
    // One lookup answers both questions: the base table's names are the extended entries marked legacy.
    const NamedCodepoint* entry = EscapeMode::extended().find(name);
    const bool found = entry != nullptr && (entry->legacy || looksLegit);
    if (!found) {
        reader_.rewindToMark();
        if (looksLegit) {
            std::string message(messages::kInvalidNamedReference);
            message.append(name).push_back('\'');
            reportCharacterReference(message);
        }
        return {};
    }
    if (inAttribute && (reader_.matchesLetter() || reader_.matchesDigit() ||
                        reader_.matchesAny(kEntityTailInAttribute))) {
        reader_.rewindToMark();
        return {};
    }
    if (!reader_.matchConsume(';')) reportCharacterReference(messages::kMissingSemicolon);
    if (entry->second != 0) return {{entry->scalar, entry->second}, 2};
    return {{entry->scalar, 0}, 1};
}

std::string Tokeniser::decodeCharacterReferences(bool inAttribute) {
    std::string out;
    while (!reader_.isEmpty()) {
        out += reader_.consumeTo('&');
        if (!reader_.matches(U'&')) continue;
        reader_.advance();
        const CharacterReference reference = readCharacterReference(kEndOfInput, inAttribute);
        if (reference.count == 0) out.push_back('&');
        for (std::size_t i = 0; i < reference.count; ++i) utf8::append(out, reference.scalars[i]);
    }
    return out;
}

// One case per state; the families share functions where states differ only in their targets.
void Tokeniser::step() {
    using S = TokeniserState;
    switch (state_) {
        case S::Data: return data();
        case S::CharacterReferenceInData: return characterReferenceIn(S::Data);
        case S::Rcdata: return rcdata();
        case S::CharacterReferenceInRcdata: return characterReferenceIn(S::Rcdata);
        case S::Rawtext: return rawData(S::RawtextLessthanSign);
        case S::ScriptData: return rawData(S::ScriptDataLessthanSign);
        case S::PLAINTEXT: return plaintext();
        case S::TagOpen: return tagOpen();
        case S::EndTagOpen: return endTagOpen();
        case S::TagName: return tagName();
        case S::RcdataLessthanSign: return rcdataLessThanSign();
        case S::RCDATAEndTagOpen: return endTagOpen(S::RCDATAEndTagName, S::Rcdata);
        case S::RCDATAEndTagName: return rcdataEndTagName();
        case S::RawtextLessthanSign: return rawtextLessThanSign();
        case S::RawtextEndTagOpen: return endTagOpen(S::RawtextEndTagName, S::Rawtext);
        case S::RawtextEndTagName: return endTagName(S::Rawtext);
        case S::ScriptDataLessthanSign: return scriptDataLessThanSign();
        case S::ScriptDataEndTagOpen: return endTagOpen(S::ScriptDataEndTagName, S::ScriptData);
        case S::ScriptDataEndTagName: return endTagName(S::ScriptData);
        case S::ScriptDataEscapeStart: return scriptDataEscapeStart(S::ScriptDataEscapeStartDash);
        case S::ScriptDataEscapeStartDash: return scriptDataEscapeStart(S::ScriptDataEscapedDashDash);
        case S::ScriptDataEscaped: return scriptDataEscaped();
        case S::ScriptDataEscapedDash: return scriptDataEscapedDash();
        case S::ScriptDataEscapedDashDash: return scriptDataEscapedDashDash();
        case S::ScriptDataEscapedLessthanSign: return scriptDataEscapedLessThanSign();
        case S::ScriptDataEscapedEndTagOpen: return endTagOpen(S::ScriptDataEscapedEndTagName, S::ScriptDataEscaped);
        case S::ScriptDataEscapedEndTagName: return endTagName(S::ScriptDataEscaped);
        case S::ScriptDataDoubleEscapeStart: return doubleEscapeTag(S::ScriptDataDoubleEscaped, S::ScriptDataEscaped);
        case S::ScriptDataDoubleEscaped: return scriptDataDoubleEscaped();
        case S::ScriptDataDoubleEscapedDash: return scriptDataDoubleEscapedDash();
        case S::ScriptDataDoubleEscapedDashDash: return scriptDataDoubleEscapedDashDash();
        case S::ScriptDataDoubleEscapedLessthanSign: return scriptDataDoubleEscapedLessThanSign();
        case S::ScriptDataDoubleEscapeEnd: return doubleEscapeTag(S::ScriptDataEscaped, S::ScriptDataDoubleEscaped);
        case S::BeforeAttributeName: return beforeAttributeName();
        case S::AttributeName: return attributeName();
        case S::AfterAttributeName: return afterAttributeName();
        case S::BeforeAttributeValue: return beforeAttributeValue();
        case S::AttributeValue_doubleQuoted: return attributeValueQuoted('"', kDoubleQuotedValueStops);
        case S::AttributeValue_singleQuoted: return attributeValueQuoted('\'', kSingleQuotedValueStops);
        case S::AttributeValue_unquoted: return attributeValueUnquoted();
        case S::AfterAttributeValue_quoted: return afterAttributeValueQuoted();
        case S::SelfClosingStartTag: return selfClosingStartTag();
        case S::BogusComment: return bogusComment();
        case S::MarkupDeclarationOpen: return markupDeclarationOpen();
        case S::CommentStart: return commentStart(false);
        case S::CommentStartDash: return commentStart(true);
        case S::Comment: return comment();
        case S::CommentEndDash: return commentEndDash();
        case S::CommentEnd: return commentEnd();
        case S::CommentEndBang: return commentEndBang();
        case S::Doctype: return doctype();
        case S::BeforeDoctypeName: return beforeDoctypeName();
        case S::DoctypeName: return doctypeName();
        case S::AfterDoctypeName: return afterDoctypeName();
        case S::AfterDoctypePublicKeyword: return afterDoctypeKeyword(true);
        case S::BeforeDoctypePublicIdentifier: return beforeDoctypeIdentifier(true);
        case S::DoctypePublicIdentifier_doubleQuoted: return doctypeIdentifier(true, '"');
        case S::DoctypePublicIdentifier_singleQuoted: return doctypeIdentifier(true, '\'');
        case S::AfterDoctypePublicIdentifier: return afterDoctypePublicIdentifier(false);
        case S::BetweenDoctypePublicAndSystemIdentifiers: return afterDoctypePublicIdentifier(true);
        case S::AfterDoctypeSystemKeyword: return afterDoctypeKeyword(false);
        case S::BeforeDoctypeSystemIdentifier: return beforeDoctypeIdentifier(false);
        case S::DoctypeSystemIdentifier_doubleQuoted: return doctypeIdentifier(false, '"');
        case S::DoctypeSystemIdentifier_singleQuoted: return doctypeIdentifier(false, '\'');
        case S::AfterDoctypeSystemIdentifier: return afterDoctypeSystemIdentifier();
        case S::BogusDoctype: return bogusDoctype();
        case S::CdataSection: return cdataSection();
    }
}

}  // namespace novawick::html
