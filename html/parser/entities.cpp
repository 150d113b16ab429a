// Entity tables and escaping. Each mode is unpacked from its generated text on first use (a
// function-local static, so concurrent first uses load it once) and never changes afterwards. Names
// are views into the packed text, which lives for the whole program.
#include "html/parser/entities.h"

#include <algorithm>
#include <memory>

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include "base/utf8.h"
#include "html/nodes/exception.h"
#include "html/parser/character_reader.h"
#include "html/parser/entities_data.h"
#include "html/parser/tokeniser.h"

namespace novawick::html {

namespace utf8 = novawick::utf8;

namespace {

char32_t parseBase36(std::string_view digits) {
    char32_t value = 0;
    for (char c : digits)
        value = value * 36 + static_cast<char32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    return value;
}

enum class Charset { Utf8, Ascii, Other };

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

Charset classify(std::string_view charset) {
    if (equalsIgnoreAsciiCase(charset, "UTF-8") || equalsIgnoreAsciiCase(charset, "UTF8"))
        return Charset::Utf8;
    if (equalsIgnoreAsciiCase(charset, "US-ASCII") || equalsIgnoreAsciiCase(charset, "ASCII"))
        return Charset::Ascii;
    return Charset::Other;
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openConverter(std::string_view charset) {
    UErrorCode status = U_ZERO_ERROR;
    const std::string name(charset);
    Converter converter(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status) || !converter)
        throw Exception(ExceptionType::IllegalArgumentException, "Unsupported character set: " + name);
    status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    return converter;
}

bool canEncode(UConverter* converter, char32_t c) {
    UChar units[2];
    int32_t count = 0;
    if (c < 0x10000) {
        units[count++] = static_cast<UChar>(c);
    } else {
        units[count++] = static_cast<UChar>(0xD7C0 + (c >> 10));
        units[count++] = static_cast<UChar>(0xDC00 | (c & 0x3FF));
    }
    char out[32];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter);
    ucnv_fromUChars(converter, out, sizeof out, units, count, &status);
    return U_SUCCESS(status);
}

bool isEscapeWhite(char32_t c) { return c == '\t' || c == '\n' || c == 0x0B || c == '\f' || c == '\r' || c == ' '; }

void appendHex(std::string& out, char32_t c) {
    static constexpr char kHex[] = "0123456789abcdef";
    char digits[8];
    int n = 0;
    do {
        digits[n++] = kHex[c & 0xF];
        c >>= 4;
    } while (c != 0);
    out += "&#x";
    while (n > 0) out.push_back(digits[--n]);
    out.push_back(';');
}

}  // namespace

EscapeMode::EscapeMode(EscapeModeId id, std::string_view packed) : id_(id) {
    std::size_t start = 0;
    while (start < packed.size()) {
        std::size_t end = packed.find('\n', start);
        if (end == std::string_view::npos) end = packed.size();
        const std::string_view line = packed.substr(start, end - start);
        const std::size_t equals = line.find('=');
        const std::size_t semicolon = line.find(';', equals);
        const std::size_t comma = line.find(',', equals);
        NamedCodepoint entry;
        entry.name = line.substr(0, equals);
        if (comma != std::string_view::npos && comma < semicolon) {
            entry.scalar = parseBase36(line.substr(equals + 1, comma - equals - 1));
            entry.second = parseBase36(line.substr(comma + 1, semicolon - comma - 1));
        } else {
            entry.scalar = parseBase36(line.substr(equals + 1, semicolon - equals - 1));
        }
        byName_.push_back(entry);
        start = end + 1;
    }
    // Legacy names are those of the base table, which holds only legacy names.
    for (NamedCodepoint& entry : byName_) {
        entry.legacy = id == EscapeModeId::Base || (id == EscapeModeId::Extended && base().find(entry.name) != nullptr);
    }
    std::size_t slotCount = 16;
    while (slotCount < byName_.size() * 2) slotCount *= 2;
    slots_.assign(slotCount, 0);
    for (std::size_t position = 0; position < byName_.size(); ++position) {
        std::size_t slot = slotOf(byName_[position].name);
        while (slots_[slot] != 0) slot = (slot + 1) & (slots_.size() - 1);
        slots_[slot] = static_cast<std::uint16_t>(position + 1);
    }
    byCodepoint_ = byName_;
    std::stable_sort(byCodepoint_.begin(), byCodepoint_.end(),
                     [](const NamedCodepoint& a, const NamedCodepoint& b) { return a.scalar < b.scalar; });
}

const EscapeMode& EscapeMode::xhtml() {
    static const EscapeMode mode(EscapeModeId::Xhtml, entity_data::kXhtmlPacked);
    return mode;
}

const EscapeMode& EscapeMode::base() {
    static const EscapeMode mode(EscapeModeId::Base, entity_data::kBasePacked);
    return mode;
}

const EscapeMode& EscapeMode::extended() {
    static const EscapeMode mode(EscapeModeId::Extended, entity_data::kExtendedPacked);
    return mode;
}

const EscapeMode& EscapeMode::get(EscapeModeId id) {
    switch (id) {
        case EscapeModeId::Xhtml: return xhtml();
        case EscapeModeId::Base: return base();
        case EscapeModeId::Extended: return extended();
    }
    return base();
}

// FNV-1a: names are short ASCII words, and this spreads them well over a table twice their count.
std::size_t EscapeMode::slotOf(std::string_view name) const noexcept {
    std::uint32_t hash = 2166136261u;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return (hash ^ (hash >> 15)) & (slots_.size() - 1);
}

const NamedCodepoint* EscapeMode::find(std::string_view name) const {
    for (std::size_t slot = slotOf(name);; slot = (slot + 1) & (slots_.size() - 1)) {
        const std::uint16_t entry = slots_[slot];
        if (entry == 0) return nullptr;
        const NamedCodepoint& candidate = byName_[entry - 1];
        if (candidate.name.size() == name.size() &&
            std::equal(name.begin(), name.end(), candidate.name.begin()))
            return &candidate;
    }
}

std::optional<char32_t> EscapeMode::codepointForName(std::string_view name) const {
    const NamedCodepoint* entry = find(name);
    if (entry == nullptr) return std::nullopt;
    return entry->scalar;
}

std::optional<std::string_view> EscapeMode::nameForCodepoint(char32_t c) const {
    const auto [first, last] = std::equal_range(
        byCodepoint_.begin(), byCodepoint_.end(), NamedCodepoint{c, 0, {}},
        [](const NamedCodepoint& a, const NamedCodepoint& b) { return a.scalar < b.scalar; });
    if (first == last) return std::nullopt;
    std::string_view best = first->name;
    for (auto it = first; it != last; ++it) best = std::max(best, it->name);
    return best;
}

bool Entities::isNamedEntity(std::string_view name) { return EscapeMode::extended().find(name) != nullptr; }
bool Entities::isBaseNamedEntity(std::string_view name) { return EscapeMode::base().find(name) != nullptr; }

std::vector<char32_t> Entities::codepointsForName(std::string_view name) {
    const NamedCodepoint* entry = EscapeMode::extended().find(name);
    if (entry == nullptr) return {};
    if (entry->second != 0) return {entry->scalar, entry->second};
    return {entry->scalar};
}

std::optional<std::string> Entities::getByName(std::string_view name) {
    const std::vector<char32_t> scalars = codepointsForName(name);
    if (scalars.empty()) return std::nullopt;
    std::string out;
    for (char32_t c : scalars) utf8::append(out, c);
    return out;
}

std::string Entities::escape(std::string_view text, const EscapeMode& mode, std::string_view charset,
                             EscapeOptions options) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    escape(out, text, mode, charset, options);
    return out;
}

std::string Entities::escape(std::string_view text, std::string_view charset) {
    return escape(text, EscapeMode::base(), charset, {});
}

void Entities::escape(std::string& out, std::string_view text, const EscapeMode& mode,
                      std::string_view charset, EscapeOptions options) {
    const Charset kind = classify(charset);
    Converter converter = kind == Charset::Other ? openConverter(charset) : nullptr;
    const bool xhtml = mode.id() == EscapeModeId::Xhtml;
    bool lastWasWhite = false, reachedNonWhite = false;
    const std::string safe = utf8::findInvalid(text) == std::string_view::npos ? std::string() : utf8::sanitise(text);
    const std::string_view input = safe.empty() ? text : std::string_view(safe);
    for (std::size_t at = 0; at < input.size();) {
        std::size_t length = 0;
        const char32_t c = utf8::decodeValid(input, at, length);
        const std::string_view raw = input.substr(at, length);
        at += length;
        if (options.normaliseWhite && isEscapeWhite(c)) {
            if ((options.stripLeadingWhite && !reachedNonWhite) || lastWasWhite) continue;
            out.push_back(' ');
            lastWasWhite = true;
            continue;
        }
        lastWasWhite = false;
        reachedNonWhite = true;
        switch (c) {
            case '&': out += "&amp;"; continue;
            case 0xA0: out += xhtml ? "&#xa0;" : "&nbsp;"; continue;
            case '<': out += (!options.inAttribute || xhtml) ? "&lt;" : "<"; continue;
            case '>': out += options.inAttribute ? ">" : "&gt;"; continue;
            case '"': out += options.inAttribute ? "&quot;" : "\""; continue;
            default: break;
        }
        const bool encodable = kind == Charset::Utf8 || (kind == Charset::Ascii && c < 0x80) ||
                               (kind == Charset::Other && canEncode(converter.get(), c));
        if (encodable) {
            out += raw;
        } else if (const auto name = mode.nameForCodepoint(c)) {
            out += '&';
            out += *name;
            out += ';';
        } else {
            appendHex(out, c);
        }
    }
}

std::string Entities::unescape(std::string_view text, bool strict) {
    CharacterReader reader(text);
    Tokeniser tokeniser(reader, nullptr);
    return tokeniser.decodeCharacterReferences(strict);
}

}  // namespace novawick::html
