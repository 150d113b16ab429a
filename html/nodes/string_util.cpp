// The whitespace and case rules. The hot paths (normalising page text, trimming) scan bytes and
// only decode a neighbouring scalar when a whitespace byte touches non-ASCII text: a space is a
// character of its own unless a prepended mark precedes it or an extending or spacing mark follows
// it; tab, line feed, form feed and carriage return always stand alone (CR LF as one character).
#include "html/nodes/string_util.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <memory>

#include "base/utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace novawick::html {

namespace utf8 = novawick::utf8;

namespace {

int graphemeBreak(UChar32 c) noexcept { return u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK); }

bool joinsPrevious(int kind) noexcept { return kind == U_GCB_EXTEND || kind == U_GCB_ZWJ || kind == U_GCB_SPACING_MARK; }

// The two grapheme properties that can join a space, for the whole BMP, read from ICU once: page
// text next to a space is mostly CJK, and a bit test is far cheaper than a property lookup.
struct SpaceJoiners {
    std::bitset<0x10000> extends;
    std::bitset<0x10000> prepends;

    SpaceJoiners() {
        for (UChar32 c = 0x80; c < 0x10000; ++c) {
            int kind = graphemeBreak(c);
            extends[static_cast<std::size_t>(c)] = joinsPrevious(kind);
            prepends[static_cast<std::size_t>(c)] = kind == U_GCB_PREPEND;
        }
    }

    static const SpaceJoiners& instance() {
        static const SpaceJoiners joiners;
        return joiners;
    }
};

// True when `c` joins the character before it (so a space before it is not a character of its own).
bool extendsPrevious(UChar32 c) noexcept {
    if (c < 0x80) return false;
    if (c < 0x10000) return SpaceJoiners::instance().extends[static_cast<std::size_t>(c)];
    return joinsPrevious(graphemeBreak(c));
}

bool isPrepend(UChar32 c) noexcept {
    if (c < 0x80) return false;
    if (c < 0x10000) return SpaceJoiners::instance().prepends[static_cast<std::size_t>(c)];
    return graphemeBreak(c) == U_GCB_PREPEND;
}

bool isControlBreak(UChar32 c) noexcept {
    int kind = graphemeBreak(c);
    return kind == U_GCB_CONTROL || kind == U_GCB_CR || kind == U_GCB_LF;
}

// The scalar starting at `index`, or a negative value for an ill-formed or truncated sequence.
UChar32 scalarAt(std::string_view text, std::size_t index) noexcept {
    const utf8::Decoded found = utf8::decode(text, index);
    return found.length == 0 ? -1 : static_cast<UChar32>(found.scalar);
}

// The scalar ending just before `index`, or a negative value for an ill-formed sequence.
UChar32 scalarBefore(std::string_view text, std::size_t index) noexcept {
    const utf8::Decoded found = utf8::decodeBefore(text, index);
    return found.length == 0 ? -1 : static_cast<UChar32>(found.scalar);
}

// A space stands alone unless the scalar before it prepends or the scalar after it extends.
bool isLoneSpace(std::string_view text, std::size_t index) noexcept {
    if (index > 0 && static_cast<unsigned char>(text[index - 1]) >= 0x80 && isPrepend(scalarBefore(text, index))) {
        return false;
    }
    std::size_t next = index + 1;
    return !(next < text.size() && static_cast<unsigned char>(text[next]) >= 0x80 && extendsPrevious(scalarAt(text, next)));
}

bool isLoneSpaceFast(std::string_view text, std::size_t index) noexcept {
    bool asciiBefore = index == 0 || static_cast<unsigned char>(text[index - 1]) < 0x80;
    bool asciiAfter = index + 1 >= text.size() || static_cast<unsigned char>(text[index + 1]) < 0x80;
    return (asciiBefore && asciiAfter) || isLoneSpace(text, index);
}

constexpr auto kWhitespaceBytes = [] {
    std::array<bool, 256> table{};
    for (char c : {' ', '\t', '\n', '\f', '\r'}) table[static_cast<unsigned char>(c)] = true;
    return table;
}();

// Index of the first whitespace byte at or after `index`, or `size`. Page text is mostly long runs
// without whitespace, so eight bytes are tested at once: every whitespace byte is below 0x21, and the
// lowest flagged byte of a word is exactly the first such byte (a borrow only reaches bytes above it),
// so the scan lands on it directly.
std::size_t skipToWhitespaceByte(const char* bytes, std::size_t index, std::size_t size) noexcept {
#if defined(__SSE2__)
    // Sixteen at a time where there is room: a byte is at most 0x20 exactly when max(byte, 0x20) is 0x20.
    const __m128i space = _mm_set1_epi8(0x20);
    while (index + 16 <= size) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + index));
        auto low = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(block, space), space)));
        while (low != 0) {
            const std::size_t at = index + static_cast<std::size_t>(std::countr_zero(low));
            if (kWhitespaceBytes[static_cast<unsigned char>(bytes[at])]) return at;
            low &= low - 1;  // a control byte that is not whitespace
        }
        index += 16;
    }
#endif
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    if constexpr (std::endian::native == std::endian::little) {
        while (index + 8 <= size) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes + index, 8);
            const std::uint64_t below = (word - kOnes * 0x21) & ~word & kHighBits;
            if (below == 0) {
                index += 8;
                continue;
            }
            index += static_cast<std::size_t>(std::countr_zero(below)) / 8;
            if (kWhitespaceBytes[static_cast<unsigned char>(bytes[index])]) return index;
            ++index;  // a control byte that is not whitespace
        }
    }
    while (index < size && !kWhitespaceBytes[static_cast<unsigned char>(bytes[index])]) ++index;
    return index;
}

// Index of the first byte at or after `index` that may end a run of text begun at `runStart`: a
// whitespace byte, except a space with bytes above 0x20 on both sides inside the run, which text
// extraction keeps as it is. Prose has such a space every few bytes, so sixteen bytes are judged at
// once with their neighbours; whatever this passes over the caller would have kept, and anything it
// is unsure of (a space beside a control byte, at the run's start, at a block's edge) it hands back.
std::size_t skipOrdinaryText(const char* bytes, std::size_t index, std::size_t runStart, std::size_t size) noexcept {
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(0x20);
    const auto load = [bytes](std::size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at)); };
    const auto atMostSpace = [&space](__m128i block) {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(block, space), space)));
    };
    while (index > runStart && index + 17 <= size) {
        const __m128i block = load(index);
        const unsigned low = atMostSpace(block);
        if (low != 0) {
            const auto spaces = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, space)));
            const unsigned ordinarySpaces = spaces & ~atMostSpace(load(index - 1)) & ~atMostSpace(load(index + 1));
            for (unsigned stops = low & ~ordinarySpaces; stops != 0; stops &= stops - 1) {
                const std::size_t at = index + static_cast<std::size_t>(std::countr_zero(stops));
                if (kWhitespaceBytes[static_cast<unsigned char>(bytes[at])]) return at;
            }
        }
        index += 16;
    }
#else
    (void)runStart;
#endif
    return skipToWhitespaceByte(bytes, index, size);
}

// The Unicode white-space-and-newline class: separators (Zs, Zl, Zp), U+0009..U+000D and U+0085.
bool isUnicodeWhitespace(UChar32 c) noexcept {
    if (c < 0) return false;
    if ((c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85) return true;
    if (c < 0xA0) return false;
    int8_t type = u_charType(c);
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

char asciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool asciiEqualsIgnoreCase(std::string_view left, std::string_view right) noexcept {
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (asciiLower(left[i]) != asciiLower(right[i])) return false;
    }
    return true;
}

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace

std::size_t whitespaceLengthAt(std::string_view text, std::size_t index) noexcept {
    if (index >= text.size()) return 0;
    switch (text[index]) {
    case '\r': return (index + 1 < text.size() && text[index + 1] == '\n') ? 2 : 1;
    case '\t':
    case '\n':
    case '\f': return 1;
    case ' ': return isLoneSpaceFast(text, index) ? 1 : 0;
    default: return 0;
    }
}

bool endsWithSpaceCharacter(std::string_view text) noexcept {
    return !text.empty() && text.back() == ' ' && isLoneSpace(text, text.size() - 1);
}

bool trimTouchesEnds(std::string_view text) noexcept {
    if (text.empty()) return false;
    std::size_t lastIndex = text.size() - 1;
    if (lastIndex > 0 && text[lastIndex] == '\n' && text[lastIndex - 1] == '\r') --lastIndex;
    return whitespaceLengthAt(text, 0) > 0 || whitespaceLengthAt(text, lastIndex) > 0;
}

// Strips whole characters only: a separator that a mark joins is left in place.
std::size_t trimmableLengthAt(std::string_view text, std::size_t index) noexcept {
    const utf8::Decoded found = utf8::decode(text, index);
    const auto c = static_cast<UChar32>(found.scalar);
    if (found.length == 0 || !isUnicodeWhitespace(c)) return 0;
    const std::size_t next = index + found.length;
    if (!isControlBreak(c) && next < text.size() && extendsPrevious(scalarAt(text, next))) return 0;
    return found.length;
}

std::size_t trimmableLengthBefore(std::string_view text, std::size_t begin, std::size_t end) noexcept {
    const utf8::Decoded found = utf8::decodeBefore(text, end, begin);
    const auto c = static_cast<UChar32>(found.scalar);
    if (found.length == 0 || !isUnicodeWhitespace(c)) return 0;
    const std::size_t start = end - found.length;
    if (!isControlBreak(c) && start > begin && isPrepend(scalarBefore(text, start))) return 0;
    return found.length;
}

std::string_view trim(std::string_view text) noexcept {
    if (!trimTouchesEnds(text)) return text;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t length = trimmableLengthAt(text, begin);
        if (length == 0) break;
        begin += length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        const std::size_t length = trimmableLengthBefore(text, begin, end);
        if (length == 0) break;
        end -= length;
    }
    return text.substr(begin, end - begin);
}

void appendNormalisedWhitespace(std::string& accumulator, std::string_view text, bool stripLeading) {
    const char* bytes = text.data();
    const std::size_t size = text.size();
    bool reachedNonWhite = false;
    std::size_t index = 0;
    while (index < size) {
        // A run of ordinary characters, joined spaces included, is copied in one piece.
        std::size_t runStart = index;
        for (;;) {
            index = skipOrdinaryText(bytes, index, runStart, size);
            if (index >= size || bytes[index] != ' ') break;
            // A space between two non-whitespace bytes comes out as itself, whether lone or joined to a
            // neighbouring mark, so it stays in the run; only a space next to other whitespace is asked.
            const bool betweenText = index > runStart && index + 1 < size &&
                                     !kWhitespaceBytes[static_cast<unsigned char>(bytes[index + 1])];
            if (!betweenText && isLoneSpaceFast(text, index)) break;
            ++index;
        }
        if (index > runStart) {
            accumulator.append(bytes + runStart, index - runStart);
            reachedNonWhite = true;
        }
        if (index >= size) break;
        // A whitespace run becomes one space; runs are maximal, so two never meet.
        std::size_t whiteLength = 0;
        while (index < size && (whiteLength = whitespaceLengthAt(text, index)) > 0) index += whiteLength;
        if (reachedNonWhite || !stripLeading) accumulator.push_back(' ');
    }
}

std::string normaliseWhitespace(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendNormalisedWhitespace(out, text, false);
    return out;
}

std::string toLowerCase(std::string_view text) {
    if (utf8::isAscii(text)) {
        std::string out(text);
        for (char& c : out) c = asciiLower(c);
        return out;
    }
    return toUtf8(toUnicode(text).toLower(icu::Locale::getRoot()));
}

bool equalsIgnoreCase(std::string_view left, std::string_view right) {
    if (utf8::isAscii(left) && utf8::isAscii(right)) return asciiEqualsIgnoreCase(left, right);
    return toUnicode(left).foldCase() == toUnicode(right).foldCase();
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    if (utf8::isAscii(prefix) && text.size() >= prefix.size() && utf8::isAscii(text.substr(0, prefix.size()))) {
        return asciiEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
    }
    return toUnicode(text).foldCase().startsWith(toUnicode(prefix).foldCase());
}

std::vector<std::string_view> characters(std::string_view text) {
    std::vector<std::string_view> out;
    if (utf8::isAscii(text)) {
        for (std::size_t i = 0; i < text.size();) {
            std::size_t length = (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            out.push_back(text.substr(i, length));
            i += length;
        }
        return out;
    }
    // One character iterator per thread: creating one loads ICU's rules, which is far from free.
    thread_local std::unique_ptr<icu::BreakIterator> iterator;
    UErrorCode status = U_ZERO_ERROR;
    if (!iterator) iterator.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_FAILURE(status) || !iterator) {
        utext_close(utext);
        for (std::size_t i = 0; i < text.size(); ++i) out.push_back(text.substr(i, 1));
        return out;
    }
    iterator->setText(utext, status);
    int32_t start = iterator->first();
    for (int32_t end = iterator->next(); end != icu::BreakIterator::DONE; start = end, end = iterator->next()) {
        out.push_back(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
    }
    // Detach the iterator from the text before the text goes away.
    iterator->setText(icu::UnicodeString());
    utext_close(utext);
    return out;
}

std::size_t characterCount(std::string_view text) { return characters(text).size(); }

}  // namespace novawick::html
