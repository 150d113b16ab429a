// UTF-8 validation and repair. Validation runs once per parse over the whole input, so it takes
// ASCII eight bytes at a time and decodes only around non-ASCII bytes.
#include "html/parser/utf8.h"

#include <cstdint>
#include <cstring>

namespace html::utf8 {
namespace {


// Length of the valid sequence at `at`, or 0 when it is invalid; `subpart` receives the length of
// its maximal invalid prefix (at least 1) for the replacement rule.
std::size_t validLength(std::string_view text, std::size_t at, std::size_t& subpart) {
    const auto b0 = static_cast<unsigned char>(text[at]);
    subpart = 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b0 < 0x80) return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= text.size()) return 0;
        const auto b = static_cast<unsigned char>(text[at + i]);
        if (b < low || b > high) return 0;
        low = 0x80;
        high = 0xBF;
        subpart = i + 1;
    }
    return length;
}

std::size_t skipAscii(std::string_view text, std::size_t at) {
    while (at + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        if (word & 0x8080808080808080ULL) break;
        at += 8;
    }
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80) ++at;
    return at;
}

}  // namespace

std::size_t findInvalid(std::string_view text, std::size_t from) noexcept {
    std::size_t at = from;
    while (true) {
        at = skipAscii(text, at);
        if (at >= text.size()) return std::string_view::npos;
        std::size_t subpart = 0;
        const std::size_t length = validLength(text, at, subpart);
        if (length == 0) return at;
        at += length;
    }
}

std::string sanitise(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t bad = findInvalid(text, at);
        if (bad == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        out.append(text.substr(at, bad - at));
        std::size_t subpart = 0;
        validLength(text, bad, subpart);
        append(out, kReplacement);
        at = bad + subpart;
    }
    return out;
}

bool isAscii(std::string_view text) noexcept { return skipAscii(text, 0) == text.size(); }

}  // namespace html::utf8
