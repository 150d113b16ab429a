// Small UTF-8 helpers shared by the character reader, the tokeniser and the entity tables.
// The reader guarantees valid UTF-8 before anything else looks at the bytes, so the decoder here
// only needs to be fast on valid input; `sanitise` is the one place that deals with broken bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace html::utf8 {

/// The replacement character U+FFFD.
inline constexpr char32_t kReplacement = 0xFFFD;

/// Number of bytes of the scalar whose lead byte is `lead` (valid UTF-8 assumed).
constexpr std::size_t sequenceLength(unsigned char lead) noexcept {
    if (lead < 0x80) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

/// Decodes the scalar starting at `at` of valid UTF-8 text; `length` receives its byte count.
inline char32_t decode(std::string_view text, std::size_t at, std::size_t& length) noexcept {
    const auto lead = static_cast<unsigned char>(text[at]);
    length = sequenceLength(lead);
    if (length == 1) return lead;
    if (at + length > text.size()) {  // unreachable for sanitised text; keep it defined anyway
        length = 1;
        return kReplacement;
    }
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        value = (value << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    return value;
}

/// Appends the UTF-8 form of a scalar (values that are not scalars become U+FFFD).
inline void append(std::string& out, char32_t c) {
    if (c >= 0xD800 && (c <= 0xDFFF || c > 0x10FFFF)) c = kReplacement;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

/// Byte offset of the first invalid sequence at or after `from`, or npos when the rest is valid.
std::size_t findInvalid(std::string_view text, std::size_t from = 0) noexcept;

/// The text with every maximal invalid subsequence replaced by one U+FFFD (the WHATWG decoder's rule).
std::string sanitise(std::string_view text);

/// True when every byte is below 0x80.
bool isAscii(std::string_view text) noexcept;

}  // namespace html::utf8
