// The HTML tokeniser: a state machine over a CharacterReader that hands out one token per `read`.
// Token records are reused (a handed-out token is valid until the next request) and character data is
// gathered into one buffer, so tokenising allocates only while buffers grow. Parse errors go to an
// optional ParseErrorList; nothing here stops on malformed input.
//
// The states live in one file per family (tokeniser_*_states.cpp); see the conventions block at the top
// of tokeniser.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "html/parser/character_reader.h"
#include "html/parser/parse_error.h"
#include "html/parser/token.h"
#include "html/parser/tokeniser_state.h"

namespace novawick::html {

/// Fixed message texts of the tokeniser; tests compare them.
namespace tokeniser_messages {
inline constexpr std::string_view kUnreadTokenPending = "There is an unread token pending!";
inline constexpr std::string_view kSelfClosingNotAcknowledged = "Self closing flag not acknowledged";
inline constexpr std::string_view kAttributesOnEndTag = "Attributes incorrectly present on end tag";
inline constexpr std::string_view kCharacterReferencePrefix = "Invalid character reference: ";
inline constexpr std::string_view kNoNumerals = "numeric reference with no numerals";
inline constexpr std::string_view kMissingSemicolon = "missing semicolon";
inline constexpr std::string_view kOutsideValidRange = "character outside of valid range";
inline constexpr std::string_view kInvalidNamedReference = "invalid named referenece '";  // sic
inline constexpr std::string_view kUnexpectedCharacter = "Unexpected character '";
inline constexpr std::string_view kUnexpectedEnd = "Unexpectedly reached end of file (EOF) in input state [";
inline constexpr std::string_view kInInputState = "' in input state [";
inline constexpr std::string_view kStateEnumName = "TokeniserState";
}  // namespace tokeniser_messages

/// The scalars a character reference stands for: none, one or two.
struct CharacterReference {
    char32_t scalars[2] = {0, 0};
    std::size_t count = 0;
};

class Tokeniser {
public:
    /// Tokenises `reader`, recording parse errors in `errors` when given.
    Tokeniser(CharacterReader& reader, ParseErrorList* errors);
    Tokeniser(const Tokeniser&) = delete;
    Tokeniser& operator=(const Tokeniser&) = delete;

    /// Runs the states until a token is ready and hands it out; after the end, always end-of-file.
    Token& read();

    /// Queues a token to be handed out next (the tree builder uses it for synthetic end tags).
    void emit(Token& token);
    /// Queues character data; adjacent pieces are handed out as one character token.
    void emit(std::string_view characters);
    void emit(char32_t c);

    TokeniserState state() const noexcept { return state_; }
    /// Switches state (the tree builder selects Rcdata, Rawtext, ScriptData and PLAINTEXT).
    void transition(TokeniserState state) noexcept { state_ = state; }
    void advanceTransition(TokeniserState state) noexcept {
        reader_.advance();
        state_ = state;
    }

    /// Notes that the tree builder accepted the last start tag's self-closing flag.
    void acknowledgeSelfClosingFlag() noexcept { selfClosingFlagAcknowledged_ = true; }
    bool selfClosingFlagAcknowledged() const noexcept { return selfClosingFlagAcknowledged_; }

    /// Name (as written) of the last start tag emitted; empty with `hasLastStartTag` false when none.
    const std::string& lastStartTag() const noexcept {
        return lastStartToken_ != nullptr ? lastStartToken_->name() : lastStartTag_;
    }
    bool hasLastStartTag() const noexcept { return hasLastStartTag_; }
    /// Presets the last start tag (for tokenising the contents of an element on their own).
    void setLastStartTag(std::string_view name) {
        lastStartTag_.assign(name);
        lastStartTagNormal_ = lowerCaseName(name);
        lastStartToken_ = nullptr;
        hasLastStartTag_ = true;
    }

    /// Reads a character reference after its "&"; none leaves the reader where it was.
    CharacterReference readCharacterReference(char32_t additionalAllowed, bool inAttribute);
    /// Decodes the rest of the input as text with character references.
    std::string decodeCharacterReferences(bool inAttribute);

private:
    /// Runs the current state once.
    void step();

    // data, rcdata, rawtext, plaintext (tokeniser_data_states.cpp)
    void data();
    void characterReferenceIn(TokeniserState returnState);
    void rcdata();
    void rawData(TokeniserState lessThanState);
    void plaintext();
    void rcdataLessThanSign();
    void rawtextLessThanSign();
    void endTagOpen(TokeniserState nameState, TokeniserState fallback);
    void rcdataEndTagName();
    void endTagName(TokeniserState fallback);
    // tags and attributes (tokeniser_tag_states.cpp)
    void tagOpen();
    void endTagOpen();
    void tagName();
    void beforeAttributeName();
    void attributeName();
    void afterAttributeName();
    void beforeAttributeValue();
    void attributeValueQuoted(char quote, const ByteSet& stops);
    void attributeValueUnquoted();
    void afterAttributeValueQuoted();
    void selfClosingStartTag();
    // script data (tokeniser_script_states.cpp)
    void scriptDataLessThanSign();
    void scriptDataEscapeStart(TokeniserState next);
    void scriptDataEscaped();
    void scriptDataEscapedDash();
    void scriptDataEscapedDashDash();
    void scriptDataEscapedLessThanSign();
    void scriptDataDoubleEscaped();
    void scriptDataDoubleEscapedDash();
    void scriptDataDoubleEscapedDashDash();
    void scriptDataDoubleEscapedLessThanSign();
    void doubleEscapeTag(TokeniserState primary, TokeniserState fallback);
    // comments (tokeniser_comment_states.cpp)
    void bogusComment();
    void commentStart(bool afterDash);
    void comment();
    void commentEndDash();
    void commentEnd();
    void commentEndBang();
    // doctype (tokeniser_doctype_states.cpp)
    void doctype();
    void beforeDoctypeName();
    void doctypeName();
    void afterDoctypeName();
    void afterDoctypeKeyword(bool isPublic);
    void beforeDoctypeIdentifier(bool isPublic);
    void doctypeIdentifier(bool isPublic, char quote);
    void afterDoctypePublicIdentifier(bool between);
    void afterDoctypeSystemIdentifier();
    void bogusDoctype();
    // markup declarations and CDATA (tokeniser_markup_states.cpp)
    void markupDeclarationOpen();
    void cdataSection();

    // Shared helpers (tokeniser.cpp)
    /// Queues a run read from the input, which stays valid for the whole parse: lent, not copied,
    /// while it is all of the pending characters.
    void emitRun(std::string_view run);
    /// Copies lent pending characters into the buffer, before anything is added to them.
    void stopBorrowing();
    TagToken& newTagPending(bool isStart);
    void emitPendingTag();
    void newCommentPending();
    void emitPendingComment();
    void newDoctypePending();
    void emitPendingDoctype();
    /// Sets force-quirks, emits the pending DOCTYPE and returns to Data: how every broken DOCTYPE ends.
    void emitQuirkyDoctype();
    void emitEndOfFile();
    bool isMatchingEndTag() const;
    bool wantsErrors() const noexcept { return errors_ != nullptr && errors_->canAddError(); }
    void reportError(std::string_view message);
    void reportUnexpectedCharacter();
    void reportUnexpectedEnd();
    void reportCharacterReference(std::string_view message);
    bool decodeWholeNamedReference();
    CharacterReference readNumericReference();
    CharacterReference readNamedReference(bool inAttribute);

    CharacterReader& reader_;
    ParseErrorList* errors_;
    TokeniserState state_ = TokeniserState::Data;
    Token* emitPending_ = nullptr;
    bool isEmitPending_ = false;
    bool hasChars_ = false;
    // While the pending characters are one run of the input, they are only a view of it.
    bool charsBorrowed_ = false;
    std::string_view borrowedChars_;
    std::string chars_;
    std::string dataBuffer_;
    // The last reference decoded whole, with its UTF-8: pages repeat one ("&nbsp;") far more than any
    // other.
    std::string_view lastReferenceName_;
    std::array<char, 8> lastReferenceText_{};
    std::size_t lastReferenceLength_ = 0;
    TagToken* tagPending_;
    // Start tags alternate between two records, so the last one emitted stays readable (for
    // matching end tags in text elements) while the next is read, without copying its name.
    std::array<StartTagToken, 2> startPending_;
    EndTagToken endPending_;
    CharacterToken charPending_;
    DoctypeToken doctypePending_;
    CommentToken commentPending_;
    EndOfFileToken eofToken_;
    const TagToken* lastStartToken_ = nullptr;  // the last start tag when it is one of ours
    std::string lastStartTag_;        // else these hold it
    std::string lastStartTagNormal_;  // lower-cased, for end-tag matching
    bool hasLastStartTag_ = false;
    bool selfClosingFlagAcknowledged_ = true;
};

}  // namespace novawick::html
