// The string rules shared by the document model and the selector engine: the whitespace set, trim,
// whitespace normalisation, and locale-independent case handling.
//
// Strings are UTF-8 and "characters" are user-perceived characters (grapheme clusters). Everything
// here works on bytes and only consults ICU next to non-ASCII bytes, because the whitespace set is
// ASCII and a whitespace character can join a cluster only through a neighbouring non-ASCII scalar
// (a combining mark after it, a prepended mark before it). CR LF is one character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::html {

/// True for the bytes of the whitespace set: space, tab, line feed, form feed, carriage return.
constexpr bool isWhitespaceByte(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

/// Length in bytes of the whitespace character starting at `index` (2 for CR LF), or 0 when the
/// character there is not whitespace (including a space that a combining mark or prepended mark
/// turns into part of a larger character).
std::size_t whitespaceLengthAt(std::string_view text, std::size_t index) noexcept;

/// True when the last character of `text` is a lone space (U+0020).
bool endsWithSpaceCharacter(std::string_view text) noexcept;

/// Returns `text` unchanged unless its first or last character is whitespace; then strips every
/// leading and trailing Unicode white-space-or-newline character (no-break space included).
std::string_view trim(std::string_view text) noexcept;

/// True when `trim` has anything to strip: the first or the last character is a whitespace byte (a
/// lone space, tab, line feed, form feed, carriage return or CR LF). Other white space is stripped only
/// after such a character.
bool trimTouchesEnds(std::string_view text) noexcept;

/// Length of the character at `index` when `trim` strips it from the front: Unicode white space that
/// no following mark joins. 0 otherwise.
std::size_t trimmableLengthAt(std::string_view text, std::size_t index) noexcept;

/// Length of the character ending at `end` when `trim` strips it from the back, the text beginning at
/// `begin`: Unicode white space that no prepended mark joins (none can at `begin`). 0 otherwise.
std::size_t trimmableLengthBefore(std::string_view text, std::size_t begin, std::size_t end) noexcept;

/// Appends `text` to `accumulator` with each whitespace run turned into one space; a leading run
/// is dropped when `stripLeading` is set.
void appendNormalisedWhitespace(std::string& accumulator, std::string_view text, bool stripLeading);

/// `appendNormalisedWhitespace` into a fresh string, keeping a leading run as one space.
std::string normaliseWhitespace(std::string_view text);

/// Locale-independent lower case (full Unicode mapping; ASCII handled without ICU).
std::string toLowerCase(std::string_view text);

/// Locale-independent case-insensitive equality (ASCII fast path, Unicode case folding otherwise).
bool equalsIgnoreCase(std::string_view left, std::string_view right);

/// True when `text` begins with `prefix`, ignoring case.
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

/// The user-perceived characters of `text`, as views into it.
std::vector<std::string_view> characters(std::string_view text);

/// Number of user-perceived characters in `text`.
std::size_t characterCount(std::string_view text);

}  // namespace novawick::html
