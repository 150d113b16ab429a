// Validation follows the well-formed byte sequence table of Unicode (table 3-7): the allowed range of
// the second byte depends on the first, which rules out overlongs, surrogates and values past U+10FFFF
// without decoding the code point.
#include "net/utf8.h"

#include <cstddef>

namespace novawick::net {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the sequence a lead byte starts and the range of its second byte; 0 for an invalid lead.
struct LeadRule {
    std::size_t length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadRule ruleFor(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};  // below: overlong
    if (lead == 0xED) return {3, 0x80, 0x9F};  // above: surrogates
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};  // below: overlong
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};  // above: past U+10FFFF
    return {0, 0, 0};
}

}  // namespace

bool isValidUtf8(std::string_view bytes) noexcept {
    std::size_t index = 0;
    const std::size_t size = bytes.size();
    while (index < size) {
        const auto lead = static_cast<unsigned char>(bytes[index]);
        if (lead < 0x80) {
            ++index;
            continue;
        }
        const LeadRule rule = ruleFor(lead);
        if (rule.length == 0 || size - index < rule.length) return false;
        const auto second = static_cast<unsigned char>(bytes[index + 1]);
        if (second < rule.secondLow || second > rule.secondHigh) return false;
        for (std::size_t offset = 2; offset < rule.length; ++offset) {
            if (!isContinuation(static_cast<unsigned char>(bytes[index + offset]))) return false;
        }
        index += rule.length;
    }
    return true;
}

}  // namespace novawick::net
