// TokenQueue: character-level scanning of CSS queries. Every operation works in grapheme clusters;
// the boundary table is built with ICU only for queries that need it (non-ASCII, or holding CR LF).
#include "html/select/token_queue.h"

#include <memory>

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>

#include "base/utf8.h"
#include "html/nodes/string_util.h"

namespace novawick::html {

namespace utf8 = novawick::utf8;

namespace {

/// True when every byte of `text` is a character of its own: ASCII and no CR LF pair.
bool isByteIndexed(std::string_view text) noexcept {
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) return false;
        if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') return false;
    }
    return true;
}

icu::BreakIterator* characterBreaker() {
    // One per thread: making a break iterator loads rules, and a shared one would need a lock.
    thread_local std::unique_ptr<icu::BreakIterator> breaker = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) made.reset();
        return made;
    }();
    return breaker.get();
}

/// Byte offsets of the start of every grapheme cluster of `text`, followed by `text.size()`.
std::vector<std::size_t> clusterBoundaries(std::string_view text) {
    std::vector<std::size_t> boundaries;
    boundaries.reserve(text.size() + 1);
    icu::BreakIterator* breaker = characterBreaker();
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = breaker == nullptr
        ? nullptr
        : utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (utext == nullptr || U_FAILURE(status)) {
        // Without ICU's rules fall back to one character per code point: still a valid split.
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (!utf8::isContinuation(static_cast<unsigned char>(text[i]))) boundaries.push_back(i);
        }
        boundaries.push_back(text.size());
        if (utext != nullptr) utext_close(utext);
        return boundaries;
    }
    breaker->setText(utext, status);
    for (int32_t at = breaker->first(); at != icu::BreakIterator::DONE; at = breaker->next()) {
        boundaries.push_back(static_cast<std::size_t>(at));
    }
    utext_close(utext);
    if (boundaries.empty() || boundaries.back() != text.size()) boundaries.push_back(text.size());
    return boundaries;
}

/// The characters of `text` as views into it.
std::vector<std::string_view> splitCharacters(std::string_view text) {
    std::vector<std::string_view> characters;
    if (isByteIndexed(text)) {
        characters.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) characters.push_back(text.substr(i, 1));
        return characters;
    }
    std::vector<std::size_t> boundaries = clusterBoundaries(text);
    for (std::size_t i = 0; i + 1 < boundaries.size(); ++i) {
        characters.push_back(text.substr(boundaries[i], boundaries[i + 1] - boundaries[i]));
    }
    return characters;
}

char asciiLower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool characterEqualsIgnoreCase(std::string_view left, std::string_view right) {
    if (left.size() == 1 && right.size() == 1 && static_cast<unsigned char>(left[0]) < 0x80
        && static_cast<unsigned char>(right[0]) < 0x80) {
        return asciiLower(left[0]) == asciiLower(right[0]);
    }
    return left == right || toLowerCase(left) == toLowerCase(right);
}

bool isWhitespaceCharacter(std::string_view character) noexcept {
    if (character.size() == 1) return isWhitespaceByte(character[0]);
    return character == "\r\n";
}

}  // namespace

TokenQueue::TokenQueue(std::string_view data) : queue_(data) {
    byteIndexed_ = isByteIndexed(queue_);
    if (byteIndexed_) {
        characterCount_ = queue_.size();
    } else {
        boundaries_ = clusterBoundaries(queue_);
        characterCount_ = boundaries_.size() - 1;
    }
}

std::string_view TokenQueue::characterAt(std::size_t character) const noexcept {
    if (character >= characterCount_) return {};
    return slice(character, character + 1);
}

std::string_view TokenQueue::slice(std::size_t from, std::size_t to) const noexcept {
    std::size_t start = byteOffset(from);
    return std::string_view(queue_).substr(start, byteOffset(to) - start);
}

std::string_view TokenQueue::peek() const noexcept { return characterAt(position_); }

std::string_view TokenQueue::consume() noexcept {
    std::string_view character = characterAt(position_);
    if (!isEmpty()) ++position_;
    return character;
}

void TokenQueue::consume(std::string_view sequence) {
    std::size_t length = byteIndexed_ && utf8::isAscii(sequence) ? sequence.size() : splitCharacters(sequence).size();
    position_ = std::min(characterCount_, position_ + length);
}

bool TokenQueue::matchesAt(std::size_t character, std::string_view sequence, bool ignoreCase) const {
    if (byteIndexed_ && isByteIndexed(sequence)) {
        if (characterCount_ - std::min(character, characterCount_) < sequence.size()) return false;
        for (std::size_t i = 0; i < sequence.size(); ++i) {
            char have = queue_[character + i];
            char want = sequence[i];
            if (ignoreCase ? asciiLower(have) != asciiLower(want) : have != want) return false;
        }
        return true;
    }
    std::vector<std::string_view> wanted = splitCharacters(sequence);
    if (characterCount_ - std::min(character, characterCount_) < wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        std::string_view have = characterAt(character + i);
        bool same = ignoreCase ? characterEqualsIgnoreCase(have, wanted[i]) : have == wanted[i];
        if (!same) return false;
    }
    return true;
}

bool TokenQueue::matches(std::string_view sequence) const { return matchesAt(position_, sequence, true); }

bool TokenQueue::matchesCS(std::string_view sequence) const { return matchesAt(position_, sequence, false); }

bool TokenQueue::matchesAny(std::initializer_list<std::string_view> sequences) const {
    for (std::string_view sequence : sequences) {
        if (matches(sequence)) return true;
    }
    return false;
}

bool TokenQueue::matchesAny(const std::vector<std::string_view>& sequences) const {
    for (std::string_view sequence : sequences) {
        if (matches(sequence)) return true;
    }
    return false;
}

bool TokenQueue::matchChomp(std::string_view sequence) {
    if (!matches(sequence)) return false;
    consume(sequence);
    return true;
}

bool TokenQueue::matchesWhitespace() const noexcept {
    return !isEmpty() && isWhitespaceCharacter(peek());
}

bool TokenQueue::matchesWord() const {
    if (isEmpty()) return false;
    std::string_view character = peek();
    // A cluster is judged by its first code point, so a letter with combining marks stays a letter.
    const utf8::Decoded first = utf8::decode(character, 0);
    if (first.length == 0) return false;
    const auto codePoint = static_cast<UChar32>(first.scalar);
    return u_isalpha(codePoint) || u_isdigit(codePoint);
}

bool TokenQueue::consumeWhitespace() noexcept {
    bool seen = false;
    while (matchesWhitespace()) {
        ++position_;
        seen = true;
    }
    return seen;
}

std::string TokenQueue::consumeTo(std::string_view sequence) {
    if (byteIndexed_ && isByteIndexed(sequence)) {
        std::size_t found = queue_.find(sequence, position_);
        if (found == std::string::npos) return {};
        std::string consumed = queue_.substr(position_, found - position_);
        position_ = found;
        return consumed;
    }
    for (std::size_t at = position_; at < characterCount_; ++at) {
        if (matchesAt(at, sequence, false)) {
            std::string consumed(slice(position_, at));
            position_ = at;
            return consumed;
        }
    }
    return {};
}

std::string TokenQueue::consumeToIgnoreCase(std::string_view sequence) {
    std::size_t start = position_;
    while (!isEmpty() && !matches(sequence)) ++position_;
    return std::string(slice(start, position_));
}

std::string TokenQueue::consumeToAny(const std::vector<std::string_view>& sequences) {
    std::size_t start = position_;
    while (!isEmpty() && !matchesAny(sequences)) ++position_;
    return std::string(slice(start, position_));
}

std::string TokenQueue::chompTo(std::string_view sequence) {
    std::string data = consumeTo(sequence);
    matchChomp(sequence);
    return data;
}

std::string TokenQueue::chompBalanced(char open, char close) {
    const std::string_view openCharacter(&open, 1);
    const std::string_view closeCharacter(&close, 1);
    std::size_t start = 0;
    bool opened = false;
    int depth = 0;
    std::string_view last;  // empty until a character has been taken into account
    bool inQuote = false;
    do {
        if (isEmpty()) {
            // Ran out before the balancing close: everything after the first open.
            return opened ? std::string(slice(start, characterCount_)) : std::string();
        }
        std::string_view character = consume();
        if (last != "\\") {
            if ((character == "'" || character == "\"") && character != openCharacter) inQuote = !inQuote;
            if (inQuote) continue;
            if (character == openCharacter) {
                ++depth;
                if (!opened) {
                    opened = true;
                    start = position_;
                }
            } else if (character == closeCharacter) {
                --depth;
            }
        }
        last = character;
    } while (depth > 0);
    // The loop ended on the balancing close (or on a first character that was not `open`).
    return opened ? std::string(slice(start, position_ - 1)) : std::string();
}

std::string TokenQueue::consumeWhileWordOr(std::initializer_list<std::string_view> extras) {
    std::size_t start = position_;
    while (!isEmpty() && (matchesWord() || matchesAny(extras))) ++position_;
    return std::string(slice(start, position_));
}

std::string TokenQueue::consumeElementSelector() { return consumeWhileWordOr({"*|", "|", "_", "-"}); }

std::string TokenQueue::consumeCssIdentifier() { return consumeWhileWordOr({"-", "_"}); }

std::string TokenQueue::consumeTagName() { return consumeWhileWordOr({":", "_", "-"}); }

std::string TokenQueue::consumeAttributeKey() { return consumeWhileWordOr({"-", "_", ":"}); }

std::string TokenQueue::remainder() {
    std::string rest(slice(position_, characterCount_));
    position_ = characterCount_;
    return rest;
}

std::string TokenQueue::unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::string_view last;
    for (std::string_view character : splitCharacters(text)) {
        if (character != "\\" || last == "\\") out.append(character);
        last = character;
    }
    return out;
}

}  // namespace novawick::html
