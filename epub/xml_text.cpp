#include "epub/xml_text.h"

#include "base/utf8.h"

namespace novawick::epub {
namespace {

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

// Length of a well-formed white-space character, or 0.
std::size_t whiteSpaceLength(utf8::Decoded character) {
    return character.length > 0 && isWhiteSpace(character.scalar) ? character.length : 0;
}

}  // namespace

bool hasVisibleText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const utf8::Decoded character = utf8::decode(text, i);
        if (character.length > 0 && allowedInXml(character.scalar) && !isWhiteSpace(character.scalar)) return true;
        i += character.length == 0 ? 1 : character.length;
    }
    return false;
}

std::string_view trimWhiteSpace(std::string_view text) {
    while (std::size_t length = text.empty() ? 0 : whiteSpaceLength(utf8::decode(text, 0))) text.remove_prefix(length);
    while (std::size_t length = whiteSpaceLength(utf8::decodeBefore(text, text.size()))) text.remove_suffix(length);
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
        const auto [scalar, length] = utf8::decode(text, i);
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
