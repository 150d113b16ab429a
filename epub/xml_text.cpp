#include "epub/xml_text.h"

namespace novawick::epub {
namespace {

// Length of the valid UTF-8 sequence at text[i] and its scalar, or 0 when the bytes are not one.
std::size_t decodeScalar(std::string_view text, std::size_t i, char32_t& scalar) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
        scalar = lead;
        return 1;
    }
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || i + length > text.size()) return 0;
    scalar = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        scalar = (scalar << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (scalar < kMinimum[length] || scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF)) return 0;
    return length;
}

bool allowedInXml(char32_t scalar) {
    if (scalar < 0x20) return scalar == 0x9 || scalar == 0xA || scalar == 0xD;
    return scalar != 0xFFFE && scalar != 0xFFFF;
}

// The Unicode White_Space property.
bool isWhiteSpace(char32_t scalar) {
    return (scalar >= 0x9 && scalar <= 0xD) || scalar == 0x20 || scalar == 0x85 || scalar == 0xA0 ||
           scalar == 0x1680 || (scalar >= 0x2000 && scalar <= 0x200A) || scalar == 0x2028 || scalar == 0x2029 ||
           scalar == 0x202F || scalar == 0x205F || scalar == 0x3000;
}

// Length of the white-space character at text[i], or 0.
std::size_t whiteSpaceLength(std::string_view text, std::size_t i) {
    char32_t scalar = 0;
    std::size_t length = decodeScalar(text, i, scalar);
    return length > 0 && isWhiteSpace(scalar) ? length : 0;
}

}  // namespace

bool hasVisibleText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        char32_t scalar = 0;
        std::size_t length = decodeScalar(text, i, scalar);
        if (length > 0 && allowedInXml(scalar) && !isWhiteSpace(scalar)) return true;
        i += length == 0 ? 1 : length;
    }
    return false;
}

std::string_view trimWhiteSpace(std::string_view text) {
    while (std::size_t length = text.empty() ? 0 : whiteSpaceLength(text, 0)) text.remove_prefix(length);
    for (;;) {
        // The last character starts at the last byte that is not a continuation byte.
        std::size_t start = text.size();
        while (start > 0 && start + 3 > text.size() && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) {
            --start;
        }
        if (start == 0) break;
        --start;
        std::size_t length = whiteSpaceLength(text, start);
        if (length == 0 || start + length != text.size()) break;
        text.remove_suffix(length);
    }
    return text;
}

std::string xmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    // Chapter text is long runs that stay as they are: copy each run in one piece, not per character.
    std::size_t runStart = 0;
    auto flush = [&](std::size_t end) { out.append(text.substr(runStart, end - runStart)); };
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead >= 0x20 && lead < 0x80 && lead != '&' && lead != '<' && lead != '>' && lead != '"') {
            ++i;
            continue;
        }
        char32_t scalar = 0;
        const std::size_t length = decodeScalar(text, i, scalar);
        if (length > 1 && allowedInXml(scalar)) {
            i += length;
            continue;
        }
        flush(i);
        switch (length == 0 ? char32_t{0} : scalar) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (length > 0 && allowedInXml(scalar)) out.append(text.substr(i, length));
        }
        i += length == 0 ? 1 : length;
        runStart = i;
    }
    flush(text.size());
    return out;
}

void fillTemplate(std::string& text, const TemplateValues& values) {
    std::string filled;
    filled.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t open = text.find("$(", position);
        if (open == std::string::npos) break;
        std::size_t close = text.find(')', open + 2);
        if (close == std::string::npos) break;
        std::string_view key = std::string_view(text).substr(open + 2, close - open - 2);
        filled.append(text, position, open - position);
        const std::string* value = nullptr;
        for (const auto& [candidate, replacement] : values) {
            if (candidate == key) value = &replacement;
        }
        if (value) {
            filled += *value;
        } else {
            filled.append(text, open, close + 1 - open);
        }
        position = close + 1;
    }
    filled.append(text, position);
    text = std::move(filled);
}

}  // namespace novawick::epub
