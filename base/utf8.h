// UTF-8 for the whole program: validation, decoding, stepping, encoding and repair. Every page the
// program reads is validated, so `findInvalid` checks sixteen bytes at a time where the processor
// allows and otherwise eight ASCII bytes or one whole three-byte sequence (Chinese text) at a time; the
// decoders are inline because the parser calls them per character.
//
// Well-formed means RFC 3629 as Unicode's table 3-7 states it: shortest forms only, no surrogates,
// nothing past U+10FFFF. Non-characters such as U+FFFE are well-formed. The checked decoder and the
// validator apply the same rule; `decodeValid` trusts text that has passed it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace novawick::utf8 {

/// The replacement character U+FFFD.
inline constexpr char32_t kReplacement = 0xFFFD;
/// U+FFFD encoded.
inline constexpr std::string_view kReplacementBytes = "\xEF\xBF\xBD";

/// A scalar and the number of bytes that encode it; `length` 0 when the bytes are not well-formed.
struct Decoded {
    char32_t scalar = 0;
    std::size_t length = 0;
};

namespace detail {

// What a byte allows when it starts a sequence: the sequence's length (0: it cannot start one) and the
// range of the second byte, which is what rules out overlongs, surrogates and values past U+10FFFF.
struct LeadRule {
    std::uint8_t length;
    std::uint8_t secondLow;
    std::uint8_t secondHigh;
};

constexpr LeadRule leadRuleOf(unsigned byte) noexcept {
    if (byte < 0x80) return {1, 0, 0};
    if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
    if (byte == 0xE0) return {3, 0xA0, 0xBF};
    if (byte == 0xED) return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF) return {3, 0x80, 0xBF};
    if (byte == 0xF0) return {4, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
    if (byte == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

inline constexpr auto kLeadRules = [] {
    std::array<LeadRule, 256> rules{};
    for (unsigned byte = 0; byte < 256; ++byte) rules[byte] = leadRuleOf(byte);
    return rules;
}();

}  // namespace detail

/// True for the bytes 0x80 to 0xBF, which never start a scalar.
constexpr bool isContinuation(unsigned char byte) noexcept { return (byte & 0xC0) == 0x80; }

/// Number of bytes of the scalar whose lead byte is `lead`, on well-formed text.
constexpr std::size_t sequenceLength(unsigned char lead) noexcept {
    if (lead < 0x80) return 1;
    if (lead < 0xE0) return 2;
    return lead < 0xF0 ? 3 : 4;
}

/// The scalar starting at byte `at` (< `text.size()`), checked: length 0 when the bytes there are not
/// a well-formed sequence, a truncated one included.
inline Decoded decode(std::string_view text, std::size_t at) noexcept {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data()) + at;
    const unsigned char lead = bytes[0];
    if (lead < 0x80) return {lead, 1};
    const detail::LeadRule rule = detail::kLeadRules[lead];
    if (rule.length == 0 || text.size() - at < rule.length) return {};
    if (bytes[1] < rule.secondLow || bytes[1] > rule.secondHigh) return {};
    char32_t scalar = static_cast<char32_t>(((lead & (0x7F >> rule.length)) << 6) | (bytes[1] & 0x3F));
    for (std::size_t i = 2; i < rule.length; ++i) {
        if (!isContinuation(bytes[i])) return {};
        scalar = (scalar << 6) | (bytes[i] & 0x3F);
    }
    return {scalar, rule.length};
}

/// The scalar starting at byte `at` of text already known to be well-formed; `length` receives its
/// byte count. Ill-formed text gives a wrong scalar but is never read past its end.
inline char32_t decodeValid(std::string_view text, std::size_t at, std::size_t& length) noexcept {
    const auto lead = static_cast<unsigned char>(text[at]);
    length = sequenceLength(lead);
    if (length == 1) return lead;
    if (length > text.size() - at) {
        length = 1;
        return kReplacement;
    }
    char32_t scalar = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        scalar = (scalar << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    return scalar;
}

/// The start of the scalar that holds byte `at` (>= `begin`): `at` stepped back over at most three
/// continuation bytes, never below `begin`.
inline std::size_t scalarStart(std::string_view text, std::size_t at, std::size_t begin = 0) noexcept {
    const std::size_t lowest = at - begin > 3 ? at - 3 : begin;
    while (at > lowest && isContinuation(static_cast<unsigned char>(text[at]))) --at;
    return at;
}

/// The scalar that ends just before byte `end`, checked and found without reading before `begin`:
/// length 0 when the bytes there do not end with a well-formed sequence.
inline Decoded decodeBefore(std::string_view text, std::size_t end, std::size_t begin = 0) noexcept {
    if (end <= begin) return {};
    const std::size_t start = scalarStart(text, end - 1, begin);
    const Decoded found = decode(text, start);
    return start + found.length == end ? found : Decoded{};
}

/// Appends the UTF-8 form of `scalar`; a surrogate or a value past U+10FFFF appends U+FFFD.
inline void append(std::string& out, char32_t scalar) {
    if (scalar >= 0xD800 && (scalar <= 0xDFFF || scalar > 0x10FFFF)) scalar = kReplacement;
    if (scalar < 0x80) {
        out.push_back(static_cast<char>(scalar));
    } else if (scalar < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (scalar >> 6)));
        out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    } else if (scalar < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (scalar >> 12)));
        out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (scalar >> 18)));
        out.push_back(static_cast<char>(0x80 | ((scalar >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    }
}

/// Byte offset of the first ill-formed sequence at or after `from`, or npos when the rest is well-formed.
/// `from` is taken as the start of a scalar.
std::size_t findInvalid(std::string_view text, std::size_t from = 0) noexcept;

/// True when `text` is well-formed UTF-8.
inline bool isValid(std::string_view text) noexcept { return findInvalid(text) == std::string_view::npos; }

/// True when every byte is below 0x80.
bool isAscii(std::string_view text) noexcept;

/// `text` with each maximal ill-formed subpart replaced by one U+FFFD (the WHATWG decoder's rule).
std::string sanitise(std::string_view text);

/// Text that the validator found well-formed. Only `validate` makes one, so a value proves the check was
/// made; it views the bytes it was made from, which must outlive it.
class ValidText {
public:
    /// The validated bytes.
    std::string_view text() const noexcept { return text_; }

private:
    explicit ValidText(std::string_view text) noexcept : text_(text) {}
    friend std::optional<ValidText> validate(std::string_view text) noexcept;

    std::string_view text_;
};

/// `text` as validated text, or none when it is not well-formed UTF-8.
std::optional<ValidText> validate(std::string_view text) noexcept;

/// C0 controls, DEL and C1 controls: U+0000 to U+001F and U+007F to U+009F.
constexpr bool isControl(char32_t scalar) noexcept { return scalar < 0x20 || (scalar >= 0x7F && scalar < 0xA0); }

/// The bidirectional embedding, override and isolate controls U+202A to U+202E and U+2066 to U+2069,
/// which reorder the text after them (the marks U+200E, U+200F and U+061C do not).
constexpr bool isBidiEmbeddingOrIsolate(char32_t scalar) noexcept {
    return (scalar >= 0x202A && scalar <= 0x202E) || (scalar >= 0x2066 && scalar <= 0x2069);
}

}  // namespace novawick::utf8
