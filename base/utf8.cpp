// Validation and repair. With SSE2 (every x86-64) the validator checks sixteen bytes at once and
// decodes nothing: a byte must be a continuation byte exactly when one of the three bytes before it
// starts a sequence that reaches it, no byte may be C0, C1 or above F4, and the four leads with a
// narrower second byte (E0, ED, F0, F4) are checked against the byte after them. A block that fails is
// looked at again scalar by scalar, which finds the offending sequence's start; so does the tail.
// Elsewhere the scalar loop does it all, eight ASCII bytes at a time and with a shortcut for runs of
// three-byte sequences, which is what Chinese text is.
#include "base/utf8.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace novawick::utf8 {
namespace {

const unsigned char* bytesOf(std::string_view text) noexcept {
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::size_t skipAsciiWords(const unsigned char* bytes, std::size_t at, std::size_t size) noexcept {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    while (size - at >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + at, 8);
        if ((word & kHighBits) != 0) break;
        at += 8;
    }
    return at;
}

// A three-byte sequence whose second byte may be anything from 80 to BF: leads E1 to EC, EE and EF,
// which hold every CJK ideograph and the full-width punctuation.
bool isPlainThreeByte(const unsigned char* bytes) noexcept {
    const unsigned char lead = bytes[0];
    return lead >= 0xE1 && lead <= 0xEF && lead != 0xED && isContinuation(bytes[1]) && isContinuation(bytes[2]);
}

std::size_t findInvalidScalar(std::string_view text, std::size_t at) noexcept {
    const unsigned char* bytes = bytesOf(text);
    const std::size_t size = text.size();
    while (at < size) {
        at = skipAsciiWords(bytes, at, size);
        if (at == size) break;
        if (bytes[at] < 0x80) {
            ++at;
            continue;
        }
        while (size - at >= 3 && isPlainThreeByte(bytes + at)) at += 3;
        if (at == size) break;
        const Decoded found = decode(text, at);
        if (found.length == 0) return at;
        at += found.length;
    }
    return std::string_view::npos;
}

#if defined(__SSE2__)

__m128i load(const unsigned char* bytes) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

__m128i splat(unsigned char byte) noexcept { return _mm_set1_epi8(static_cast<char>(byte)); }

bool anyByteSet(__m128i bytes) noexcept {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())) != 0xFFFF;
}

// Skips whole sixteen-byte blocks of ASCII, four at a time while it can.
std::size_t skipAsciiBlocks(const unsigned char* bytes, std::size_t at, std::size_t size) noexcept {
    while (size - at >= 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(load(bytes + at), load(bytes + at + 16)),
                                         _mm_or_si128(load(bytes + at + 32), load(bytes + at + 48)));
        if (_mm_movemask_epi8(any) != 0) break;
        at += 64;
    }
    while (size - at >= 16 && _mm_movemask_epi8(load(bytes + at)) == 0) at += 16;
    return at;
}

// Second bytes after the leads that narrow them: E0 needs A0 or more and F0 90 or more (below is
// overlong), ED at most 9F (above are surrogates), F4 at most 8F (above is past U+10FFFF).
__m128i secondByteErrors(__m128i block, __m128i back1) noexcept {
    auto after = [&](unsigned char lead) { return _mm_cmpeq_epi8(back1, splat(lead)); };
    const __m128i low = _mm_or_si128(_mm_and_si128(after(0xE0), _mm_subs_epu8(splat(0xA0), block)),
                                     _mm_and_si128(after(0xF0), _mm_subs_epu8(splat(0x90), block)));
    const __m128i high = _mm_or_si128(_mm_and_si128(after(0xED), _mm_subs_epu8(block, splat(0x9F))),
                                      _mm_and_si128(after(0xF4), _mm_subs_epu8(block, splat(0x8F))));
    return _mm_or_si128(low, high);
}

// True when the sixteen bytes at `at` break a rule of well-formed UTF-8, judged with the three bytes
// before them; a sequence left open at the block's end is the next block's concern.
[[gnu::always_inline]] inline bool blockHasErrors(const unsigned char* at) noexcept {
    const __m128i block = load(at);
    const __m128i back1 = load(at - 1);
    // Nonzero where a lead one, two or three bytes back calls for a continuation byte here.
    const __m128i required = _mm_or_si128(_mm_subs_epu8(back1, splat(0xBF)),
                                          _mm_or_si128(_mm_subs_epu8(load(at - 2), splat(0xDF)),
                                                       _mm_subs_epu8(load(at - 3), splat(0xEF))));
    // 80 to BF are the signed bytes below -64.
    const __m128i continuation = _mm_cmplt_epi8(block, _mm_set1_epi8(-64));
    __m128i errors = _mm_cmpeq_epi8(continuation, _mm_cmpeq_epi8(required, _mm_setzero_si128()));
    // Bytes that never occur: C0 and C1 (overlong two-byte forms) and F5 to FF.
    errors = _mm_or_si128(errors, _mm_cmpeq_epi8(_mm_and_si128(block, splat(0xFE)), splat(0xC0)));
    errors = _mm_or_si128(errors, _mm_subs_epu8(block, splat(0xF4)));
    // Chinese text has none of the leads E0, ED and F0 to F4, so their second bytes are looked at only
    // when one is there.
    const __m128i e0OrEd = _mm_or_si128(_mm_cmpeq_epi8(back1, splat(0xE0)), _mm_cmpeq_epi8(back1, splat(0xED)));
    const __m128i narrowing = _mm_or_si128(e0OrEd, _mm_subs_epu8(back1, splat(0xEF)));
    if (!anyByteSet(_mm_or_si128(errors, narrowing))) return false;
    return anyByteSet(_mm_or_si128(errors, secondByteErrors(block, back1)));
}

// True when the bytes before `at` start a sequence that goes on at `at`.
bool sequenceOpenAt(const unsigned char* at) noexcept { return at[-1] >= 0xC0 || at[-2] >= 0xE0 || at[-3] >= 0xF0; }

// Checks whole blocks from `from` and returns where the scalar loop takes over: the start of the last
// scalar before the first block that is not known to be good, or before the tail, so that a sequence
// that runs into either is checked whole.
std::size_t validateBlocks(std::string_view text, std::size_t from) noexcept {
    const unsigned char* bytes = bytesOf(text);
    const std::size_t size = text.size();
    std::size_t at = skipAsciiBlocks(bytes, from, size);
    if (size - at < 16) return at;
    if (at == from) {
        // Nothing before `from` counts: the first block is judged after three zero bytes.
        unsigned char first[19] = {};
        std::memcpy(first + 3, bytes + at, 16);
        if (blockHasErrors(first + 3)) return at;
        at += 16;
    }
    while (size - at >= 16) {
        if (_mm_movemask_epi8(load(bytes + at)) == 0 && !sequenceOpenAt(bytes + at)) {
            at = skipAsciiBlocks(bytes, at + 16, size);
        } else if (blockHasErrors(bytes + at)) {
            break;
        } else {
            at += 16;
        }
    }
    return scalarStart(text, at - 1, from);
}

#endif

std::size_t skipAscii(std::string_view text, std::size_t at) noexcept {
    const unsigned char* bytes = bytesOf(text);
#if defined(__SSE2__)
    at = skipAsciiBlocks(bytes, at, text.size());
#endif
    at = skipAsciiWords(bytes, at, text.size());
    while (at < text.size() && bytes[at] < 0x80) ++at;
    return at;
}

// Length of the maximal ill-formed subpart at `at`: the bytes that begin a well-formed sequence but do
// not finish one, or the one byte that cannot begin any.
std::size_t invalidSubpartLength(std::string_view text, std::size_t at) noexcept {
    const unsigned char* bytes = bytesOf(text) + at;
    const detail::LeadRule rule = detail::kLeadRules[bytes[0]];
    const std::size_t available = text.size() - at;
    std::size_t length = 1;
    if (rule.length < 2 || available < 2 || bytes[1] < rule.secondLow || bytes[1] > rule.secondHigh) return length;
    for (++length; length < rule.length && length < available && isContinuation(bytes[length]);) ++length;
    return length;
}

}  // namespace

std::size_t findInvalid(std::string_view text, std::size_t from) noexcept {
    if (from >= text.size()) return std::string_view::npos;
#if defined(__SSE2__)
    from = validateBlocks(text, from);
#endif
    return findInvalidScalar(text, from);
}

bool isAscii(std::string_view text) noexcept { return skipAscii(text, 0) == text.size(); }

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
        out.append(kReplacementBytes);
        at = bad + invalidSubpartLength(text, bad);
    }
    return out;
}

std::optional<ValidText> validate(std::string_view text) noexcept {
    if (!isValid(text)) return std::nullopt;
    return ValidText(text);
}

}  // namespace novawick::utf8
