// The character reader. Input is valid UTF-8 by the time any scan runs (see the constructors), so
// stepping forward uses the lead byte's length and stepping back skips continuation bytes.
#include "html/parser/character_reader.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <unicode/uchar.h>

#include "base/utf8.h"

namespace novawick::html {

namespace utf8 = novawick::utf8;

namespace {

constexpr ByteSet kDataStops{std::string_view("&<\0", 3)};
constexpr ByteSet kTagNameStops{std::string_view("\t\n\r\f />\0", 9)};

// What each byte is to a tag name, so one pass finds the name's end and whether it needs lower-casing.
constexpr std::uint8_t kNameUpper = 1;
constexpr std::uint8_t kNameNonAscii = 2;
constexpr std::uint8_t kNameStop = 4;
constexpr auto kTagNameBytes = [] {
    std::array<std::uint8_t, 256> kinds{};
    for (int byte = 'A'; byte <= 'Z'; ++byte) kinds[static_cast<std::size_t>(byte)] = kNameUpper;
    for (int byte = 0x80; byte < 0x100; ++byte) kinds[static_cast<std::size_t>(byte)] = kNameNonAscii;
    for (int byte = 0; byte < 0x80; ++byte) {
        if (kTagNameStops.contains(static_cast<unsigned char>(byte))) kinds[static_cast<std::size_t>(byte)] = kNameStop;
    }
    return kinds;
}();

bool isAsciiLetter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char32_t c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

#if defined(__SSE2__)
// Runs of text are long and their stop sets small: sixteen bytes are compared against every stop at
// once, and the first block with a stop in it says where by its mask.
std::size_t findInBlocks(std::string_view input, const ByteSet& stops, std::size_t at) noexcept {
    const __m128i a = _mm_set1_epi8(static_cast<char>(stops.few(0)));
    const __m128i b = _mm_set1_epi8(static_cast<char>(stops.few(1)));
    const __m128i c = _mm_set1_epi8(static_cast<char>(stops.few(2)));
    const __m128i d = _mm_set1_epi8(static_cast<char>(stops.few(3)));
    const char* data = input.data();
    const std::size_t size = input.size();
    while (size - at >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, a), _mm_cmpeq_epi8(block, b)),
                                          _mm_or_si128(_mm_cmpeq_epi8(block, c), _mm_cmpeq_epi8(block, d)));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0) return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        at += 16;
    }
    return at;
}
#endif

char32_t toUpper(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    return static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
}

char32_t toLower(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
}

template <typename Map>
std::string mapScalars(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 0;
        utf8::append(out, map(utf8::decodeValid(text, at, length)));
        at += length;
    }
    return out;
}

}  // namespace

CharacterReader::CharacterReader(std::string_view input) : input_(input) {
    if (utf8::findInvalid(input) != std::string_view::npos) {
        owned_ = utf8::sanitise(input);
        input_ = owned_;
    }
}

CharacterReader::CharacterReader(utf8::ValidText input) : input_(input.text()) {}

CharacterReader::CharacterReader(std::string&& input) : owned_(std::move(input)) {
    if (utf8::findInvalid(owned_) != std::string_view::npos) owned_ = utf8::sanitise(owned_);
    input_ = owned_;
}

std::size_t CharacterReader::getPos() const {
    if (pos_ < countedBytes_) {
        countedBytes_ = 0;
        countedScalars_ = 0;
    }
    for (; countedBytes_ < pos_; ++countedBytes_)
        if (!utf8::isContinuation(static_cast<unsigned char>(input_[countedBytes_]))) ++countedScalars_;
    return countedScalars_;
}

// At the end, or a scalar of more than one byte.
char32_t CharacterReader::currentBeyondAscii() const noexcept {
    if (pos_ >= input_.size()) return kEndOfInput;
    const auto byte = static_cast<unsigned char>(input_[pos_]);
    if (byte < 0x80) return byte;
    std::size_t length = 0;
    return utf8::decodeValid(input_, pos_, length);
}

char32_t CharacterReader::consumeBeyondAscii() noexcept {
    if (pos_ >= input_.size()) {
        stuckAtEnd_ = true;
        return kEndOfInput;
    }
    std::size_t length = 0;
    const char32_t c = utf8::decodeValid(input_, pos_, length);
    pos_ += length;
    stuckAtEnd_ = false;
    return c;
}

void CharacterReader::unconsume() noexcept {
    if (stuckAtEnd_) {
        stuckAtEnd_ = false;
        return;
    }
    if (pos_ == 0) return;
    pos_ = utf8::scalarStart(input_, pos_ - 1);
}

void CharacterReader::advanceBeyondAscii() noexcept {
    if (pos_ >= input_.size()) {
        stuckAtEnd_ = true;
        return;
    }
    pos_ += utf8::sequenceLength(static_cast<unsigned char>(input_[pos_]));
    stuckAtEnd_ = false;
}

std::string_view CharacterReader::take(std::size_t end) noexcept {
    const std::size_t start = pos_;
    moveTo(end);
    return input_.substr(start, end - start);
}

std::string_view CharacterReader::consumeAsString() noexcept {
    if (isEmpty()) return {};
    return take(pos_ + utf8::sequenceLength(static_cast<unsigned char>(input_[pos_])));
}

std::optional<std::size_t> CharacterReader::nextIndexOf(char c) const noexcept {
    if (isEmpty()) return std::nullopt;
    const void* found = std::memchr(input_.data() + pos_, c, input_.size() - pos_);
    if (found == nullptr) return std::nullopt;
    return static_cast<std::size_t>(static_cast<const char*>(found) - input_.data());
}

std::optional<std::size_t> CharacterReader::nextIndexOf(std::string_view text) const noexcept {
    const std::size_t found = input_.find(text, pos_);
    if (found == std::string_view::npos) return std::nullopt;
    return found;
}

std::string_view CharacterReader::consumeTo(char c) noexcept {
    return take(nextIndexOf(c).value_or(input_.size()));
}

std::string_view CharacterReader::consumeTo(std::string_view text) noexcept {
    return take(nextIndexOf(text).value_or(input_.size()));
}

std::string_view CharacterReader::consumeToAny(const ByteSet& stops) noexcept {
    std::size_t end = pos_;
    const std::size_t size = input_.size();
#if defined(__SSE2__)
    if (stops.isFew()) end = findInBlocks(input_, stops, end);
#endif
    while (end < size && !stops.contains(static_cast<unsigned char>(input_[end]))) ++end;
    return take(end);
}

std::string_view CharacterReader::consumeToEnd() noexcept { return take(input_.size()); }
std::string_view CharacterReader::consumeData() noexcept { return consumeToAny(kDataStops); }
std::string_view CharacterReader::consumeTagName() noexcept { return consumeToAny(kTagNameStops); }

CharacterReader::NameRun CharacterReader::consumeTagNameRun() noexcept {
    const std::size_t size = input_.size();
    std::size_t end = pos_;
    unsigned seen = 0;
    for (; end < size; ++end) {
        const std::uint8_t kind = kTagNameBytes[static_cast<unsigned char>(input_[end])];
        if (kind == kNameStop) break;
        seen |= kind;
    }
    return NameRun{take(end), (seen & kNameNonAscii) == 0, (seen & kNameUpper) != 0};
}

std::string_view CharacterReader::consumeLetterSequence() noexcept {
    const std::size_t start = pos_;
    while (!isEmpty() && isLetter(current())) advance();
    return input_.substr(start, pos_ - start);
}

// Reference names are ASCII: letters are tested byte by byte, and only a non-ASCII byte asks for
// the scalar's Unicode category.
std::string_view CharacterReader::consumeLetterThenDigitSequence() noexcept {
    const std::size_t start = pos_;
    const std::size_t size = input_.size();
    std::size_t end = pos_;
    while (end < size) {
        const auto byte = static_cast<unsigned char>(input_[end]);
        if (isAsciiLetter(byte)) {
            ++end;
        } else if (byte >= 0x80) {
            std::size_t length = 0;
            if (!isLetter(utf8::decodeValid(input_, end, length))) break;
            end += length;
        } else {
            break;
        }
    }
    while (end < size && isDigit(static_cast<unsigned char>(input_[end]))) ++end;
    if (end != start) moveTo(end);
    return input_.substr(start, end - start);
}

std::string_view CharacterReader::consumeHexSequence() noexcept {
    std::size_t end = pos_;
    while (end < input_.size() && isHexDigit(static_cast<unsigned char>(input_[end]))) ++end;
    return take(end);
}

std::string_view CharacterReader::consumeDigitSequence() noexcept {
    std::size_t end = pos_;
    while (end < input_.size() && isDigit(static_cast<unsigned char>(input_[end]))) ++end;
    return take(end);
}

bool CharacterReader::matches(std::string_view text, bool ignoreCase, bool consume) {
    std::size_t at = pos_;
    for (std::size_t t = 0; t < text.size();) {
        if (at >= input_.size()) return false;
        const auto inputByte = static_cast<unsigned char>(input_[at]);
        const auto textByte = static_cast<unsigned char>(text[t]);
        if ((inputByte | textByte) < 0x80) {
            // Both ASCII: upper-casing is a byte operation.
            if (inputByte != textByte && (!ignoreCase || toUpper(inputByte) != toUpper(textByte))) return false;
            ++at;
            ++t;
            continue;
        }
        std::size_t inputLength = 0, textLength = 0;
        const char32_t a = utf8::decodeValid(input_, at, inputLength);
        const char32_t b = utf8::decodeValid(text, t, textLength);
        if (a != b && (!ignoreCase || toUpper(a) != toUpper(b))) return false;
        at += inputLength;
        t += textLength;
    }
    if (consume) moveTo(at);
    return true;
}

bool CharacterReader::matchesAny(const ByteSet& set) const noexcept {
    return !isEmpty() && set.contains(static_cast<unsigned char>(input_[pos_]));
}

bool CharacterReader::matchesLetter() const noexcept { return !isEmpty() && isLetter(current()); }
bool CharacterReader::matchesDigit() const noexcept { return !isEmpty() && isDigit(current()); }

bool CharacterReader::containsIgnoreCase(std::string_view text) {
    if (containsValid_ && text == containsNeedle_ && pos_ >= containsSearchedFrom_) {
        if (containsFoundAt_ == std::string_view::npos) return false;
        if (containsFoundAt_ >= pos_) return true;
    }
    const std::string lower = mapScalars(text, toLower);
    const std::string upper = mapScalars(text, toUpper);
    const std::size_t atLower = input_.find(lower, pos_);
    const std::size_t atUpper = input_.find(upper, pos_);
    containsNeedle_.assign(text);
    containsSearchedFrom_ = pos_;
    containsFoundAt_ = atLower < atUpper ? atLower : atUpper;
    containsValid_ = true;
    return containsFoundAt_ != std::string_view::npos;
}

bool CharacterReader::isLetter(char32_t c) noexcept {
    if (c < 0x80) return isAsciiLetter(c);
    if (c > 0x10FFFF) return false;
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & (U_GC_L_MASK | U_GC_M_MASK)) != 0;
}

}  // namespace novawick::html
