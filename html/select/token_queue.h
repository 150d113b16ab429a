// A read cursor over a CSS query, the lexer under the query parser.
//
// Positions count user-perceived characters (grapheme clusters), so "á" written as a letter plus a
// combining accent is one character and never matches a plain "a". The cluster boundaries are found
// once, when the queue is made; a query that is ASCII without a CR LF pair (nearly every query) skips
// that step, since there each byte is one character.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::html {

class TokenQueue {
public:
    explicit TokenQueue(std::string_view data);

    /// True when no characters remain.
    bool isEmpty() const noexcept { return position_ >= characterCount_; }
    /// The next character without consuming it ("" when empty).
    std::string_view peek() const noexcept;
    /// Consumes and returns one character ("" when empty).
    std::string_view consume() noexcept;
    /// Consumes `sequence`, which the caller knows is next (case-insensitively).
    void consume(std::string_view sequence);

    /// True when the next characters equal `sequence`, ignoring case.
    bool matches(std::string_view sequence) const;
    /// True when the next characters equal `sequence` exactly.
    bool matchesCS(std::string_view sequence) const;
    bool matchesAny(std::initializer_list<std::string_view> sequences) const;
    bool matchesAny(const std::vector<std::string_view>& sequences) const;
    /// Consumes `sequence` when it is next (ignoring case); tells whether it did.
    bool matchChomp(std::string_view sequence);
    /// True when the next character is in the whitespace set (CR LF counts as one).
    bool matchesWhitespace() const noexcept;
    /// True when the next character is a Unicode letter or decimal digit.
    bool matchesWord() const;

    /// Skips whitespace; tells whether any was skipped.
    bool consumeWhitespace() noexcept;
    /// Text up to the first exact occurrence of `sequence`, moving to it; "" without moving when absent.
    std::string consumeTo(std::string_view sequence);
    /// Text up to the first occurrence of `sequence` ignoring case, or the rest of the queue.
    std::string consumeToIgnoreCase(std::string_view sequence);
    /// Text up to the first position where any of `sequences` matches, or the rest of the queue.
    std::string consumeToAny(const std::vector<std::string_view>& sequences);
    /// `consumeTo(sequence)`, then also skips `sequence` when it is there.
    std::string chompTo(std::string_view sequence);
    /// The text between the first `open` and its balancing `close`, consuming through that `close`.
    std::string chompBalanced(char open, char close);

    /// Tag-name-like run used by the tag selector: word characters, "*|", "|", "_", "-".
    std::string consumeElementSelector();
    /// Word characters, "-" and "_".
    std::string consumeCssIdentifier();
    /// Word characters, ":", "_" and "-".
    std::string consumeTagName();
    /// Word characters, "-", "_" and ":".
    std::string consumeAttributeKey();

    /// The rest of the queue; the queue is then empty.
    std::string remainder();

    /// Drops every backslash except one that directly follows another backslash.
    static std::string unescape(std::string_view text);

private:
    std::size_t byteOffset(std::size_t character) const noexcept {
        return byteIndexed_ ? character : boundaries_[character];
    }
    std::string_view characterAt(std::size_t character) const noexcept;
    std::string_view slice(std::size_t from, std::size_t to) const noexcept;
    bool matchesAt(std::size_t character, std::string_view sequence, bool ignoreCase) const;
    /// Consumes while the next character is a word character or any of `extras` matches.
    std::string consumeWhileWordOr(std::initializer_list<std::string_view> extras);

    std::string queue_;
    // Start offset of each character plus the end offset; empty when every byte is a character.
    std::vector<std::size_t> boundaries_;
    bool byteIndexed_ = true;
    std::size_t characterCount_ = 0;
    std::size_t position_ = 0;
};

}  // namespace novawick::html
