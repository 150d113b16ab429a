// A cursor over HTML text for the tokeniser. The text is UTF-8; invalid bytes are replaced by U+FFFD
// once, up front (a copy is made only when the input actually has broken bytes; text that comes
// validated is not looked at again), so every scan after that works on valid UTF-8 bytes. Every stop
// set the tokeniser uses is ASCII, so scanning for one is an exact byte search (memchr, sixteen-byte
// compares against a few stops, or a table lookup) that never splits a scalar.
//
// Positions are byte offsets internally; the scalar position that parse errors report is counted
// only when one is recorded. End of input is `kEndOfInput`, a value above U+10FFFF, so every real
// scalar (U+FFFF included) is ordinary text.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/utf8.h"

namespace novawick::html {

/// A set of ASCII bytes, tested in one table lookup; a set of at most `kFewMembers` bytes also
/// keeps them listed, so that a scan can compare sixteen bytes at a time against each.
class ByteSet {
public:
    static constexpr std::size_t kFewMembers = 4;

    constexpr explicit ByteSet(std::string_view members) {
        std::size_t distinct = 0;
        for (char c : members) {
            const auto byte = static_cast<unsigned char>(c);
            if (table_[byte]) continue;
            table_[byte] = true;
            if (distinct < kFewMembers) few_[distinct] = byte;
            ++distinct;
        }
        fewCount_ = distinct <= kFewMembers ? distinct : 0;
        // Unused places repeat the first member, so a scan can always compare against all of them.
        for (std::size_t i = fewCount_; fewCount_ != 0 && i < kFewMembers; ++i) few_[i] = few_[0];
    }
    constexpr bool contains(unsigned char byte) const noexcept { return table_[byte]; }
    constexpr bool contains(char32_t c) const noexcept { return c < 0x80 && table_[c]; }
    /// The members when there are at most `kFewMembers` of them (padded with the first); otherwise
    /// `isFew` is false.
    constexpr bool isFew() const noexcept { return fewCount_ != 0; }
    constexpr unsigned char few(std::size_t i) const noexcept { return few_[i]; }

private:
    std::array<bool, 256> table_{};
    std::array<unsigned char, kFewMembers> few_{};
    std::size_t fewCount_ = 0;
};

class CharacterReader {
public:
    /// Returned by `current` and `consume` at the end of input; never a real scalar.
    static constexpr char32_t kEndOfInput = 0x110000;

    /// Reads `input`, which must outlive the reader (it is copied only if it holds invalid UTF-8).
    explicit CharacterReader(std::string_view input);
    explicit CharacterReader(const char* input) : CharacterReader(std::string_view(input)) {}
    /// Reads validated `input`, which must outlive the reader, without checking it again.
    explicit CharacterReader(novawick::utf8::ValidText input);
    /// Reads `input`, taking ownership of it.
    explicit CharacterReader(std::string&& input);

    CharacterReader(const CharacterReader&) = delete;
    CharacterReader& operator=(const CharacterReader&) = delete;

    /// Number of scalars before the current position (counted on demand).
    std::size_t getPos() const;
    /// Byte offset of the current position in `input()`.
    std::size_t bytePos() const noexcept { return pos_; }
    /// The whole text being read (after replacement of invalid bytes).
    std::string_view input() const noexcept { return input_; }

    bool isEmpty() const noexcept { return pos_ >= input_.size(); }
    // The tokeniser asks for the current scalar at almost every state change, and it is nearly always
    // ASCII: that case is answered inline, everything else out of line.
    char32_t current() const noexcept {
        if (pos_ < input_.size() && static_cast<unsigned char>(input_[pos_]) < 0x80)
            return static_cast<unsigned char>(input_[pos_]);
        return currentBeyondAscii();
    }
    char32_t consume() noexcept {
        if (pos_ < input_.size() && static_cast<unsigned char>(input_[pos_]) < 0x80) {
            stuckAtEnd_ = false;
            return static_cast<unsigned char>(input_[pos_++]);
        }
        return consumeBeyondAscii();
    }
    void unconsume() noexcept;
    void advance() noexcept {
        if (pos_ < input_.size() && static_cast<unsigned char>(input_[pos_]) < 0x80) {
            ++pos_;
            stuckAtEnd_ = false;
            return;
        }
        advanceBeyondAscii();
    }
    /// Steps over `count` bytes, which must end on a scalar boundary within the input.
    void advanceBytes(std::size_t count) noexcept { moveTo(pos_ + count); }
    void markPos() noexcept { mark_ = pos_; }
    void rewindToMark() noexcept { moveTo(mark_); }

    std::string_view consumeAsString() noexcept;
    /// Byte offset of the next occurrence at or after the position, without moving.
    std::optional<std::size_t> nextIndexOf(char c) const noexcept;
    std::optional<std::size_t> nextIndexOf(std::string_view text) const noexcept;
    std::string_view consumeTo(char c) noexcept;
    std::string_view consumeTo(std::string_view text) noexcept;
    /// Everything up to the first byte of `stops` (all ASCII), or to the end.
    std::string_view consumeToAny(const ByteSet& stops) noexcept;
    std::string_view consumeToEnd() noexcept;
    std::string_view consumeData() noexcept;
    std::string_view consumeTagName() noexcept;
    /// A tag name run with what its bytes are, learnt while scanning it.
    struct NameRun {
        std::string_view text;
        bool ascii = true;
        bool hasUpper = false;
    };
    /// Like `consumeTagName`, and says whether the run is ASCII and has upper-case ASCII letters.
    NameRun consumeTagNameRun() noexcept;
    std::string_view consumeLetterSequence() noexcept;
    std::string_view consumeLetterThenDigitSequence() noexcept;
    std::string_view consumeHexSequence() noexcept;
    std::string_view consumeDigitSequence() noexcept;

    bool matches(char32_t c) const noexcept { return current() == c; }
    /// The input at the position starts with `text`, scalar by scalar (upper-cased first when
    /// `ignoreCase`); with `consume`, a match moves the position past it.
    bool matches(std::string_view text, bool ignoreCase, bool consume);
    bool matches(std::string_view text) { return matches(text, false, false); }
    bool matchesIgnoreCase(std::string_view text) { return matches(text, true, false); }
    bool matchConsume(std::string_view text) { return matches(text, false, true); }
    bool matchConsumeIgnoreCase(std::string_view text) { return matches(text, true, true); }
    /// The current byte is the ASCII character `c`; if so, steps over it.
    bool matchConsume(char c) noexcept {
        if (pos_ >= input_.size() || input_[pos_] != c) return false;
        moveTo(pos_ + 1);
        return true;
    }
    bool matchesAny(const ByteSet& set) const noexcept;
    bool matchesLetter() const noexcept;
    bool matchesDigit() const noexcept;
    /// The rest of the input contains `text` in lower case or in upper case.
    bool containsIgnoreCase(std::string_view text);

    /// The rest of the input from the position.
    std::string_view toString() const noexcept { return input_.substr(pos_); }

    /// An ASCII letter or any scalar in the Unicode letter and mark categories.
    static bool isLetter(char32_t c) noexcept;

private:
    char32_t currentBeyondAscii() const noexcept;
    char32_t consumeBeyondAscii() noexcept;
    void advanceBeyondAscii() noexcept;
    void moveTo(std::size_t pos) noexcept {
        pos_ = pos;
        stuckAtEnd_ = false;
    }
    std::string_view take(std::size_t end) noexcept;

    std::string owned_;
    std::string_view input_;
    std::size_t pos_ = 0;
    std::size_t mark_ = 0;
    // Set when the last consume or advance was made at the end, so that the matching unconsume
    // does not step back over a scalar that was never passed.
    bool stuckAtEnd_ = false;
    // Scalar count cache for getPos, which is usually asked for positions that only grow.
    mutable std::size_t countedBytes_ = 0;
    mutable std::size_t countedScalars_ = 0;
    // Result cache for containsIgnoreCase, so repeated questions on the same needle stay linear.
    std::string containsNeedle_;
    std::size_t containsSearchedFrom_ = 0;
    std::size_t containsFoundAt_ = std::string_view::npos;
    bool containsValid_ = false;
};

}  // namespace novawick::html
