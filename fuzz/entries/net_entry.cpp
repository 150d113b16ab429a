// Fuzz entry of the HTTP layer's content decoding: a body in any coding, under any cap, handed over in
// pieces of any size, as the network delivers it. The cap must hold after every piece, and the pieces
// must not change the answer: the same body decoded in one piece must succeed or fail alike, and give
// the same bytes when it succeeds.
//
// Input layout: byte 0 picks the coding (identity, gzip, deflate, br), byte 1 the cap (2^(n mod 21)
// bytes, up to 1 MiB), byte 2 how many piece lengths follow (n mod 8, each piece 1 + the byte long,
// used in turn); the rest is the body. Too short an input is an empty body.
#include "fuzz/entries/fuzz_entries.h"

#include "net/content_decoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace novawick::fuzz {
namespace {

constexpr std::string_view kName = "content_decode";
constexpr std::array<std::string_view, 4> kCodings{"", "gzip", "deflate", "br"};

struct Outcome {
    net::DecodeStatus status = net::DecodeStatus::Ok;
    std::string output;
    bool complete = false;
};

std::uint8_t byteAt(std::string_view input, std::size_t index) {
    return index < input.size() ? static_cast<std::uint8_t>(input[index]) : 0;
}

Outcome decode(std::string_view coding, std::string_view body, std::string_view pieceLengths, std::uint64_t limit) {
    const auto decoder = net::ContentDecoder::forCoding(coding);
    Outcome outcome;
    std::size_t next = 0;
    while (!body.empty() && outcome.status == net::DecodeStatus::Ok) {
        std::size_t length = body.size();
        if (!pieceLengths.empty()) length = 1 + byteAt(pieceLengths, next++ % pieceLengths.size());
        const std::string_view piece = body.substr(0, length);
        body.remove_prefix(piece.size());
        outcome.status = decoder->decode(piece, outcome.output, limit);
        if (outcome.output.size() > limit) invariantBroken(kName, "the body grew past the cap");
    }
    outcome.complete = decoder->complete();
    return outcome;
}

}  // namespace

void fuzzContentDecode(std::string_view input) {
    const std::string_view coding = kCodings[byteAt(input, 0) % kCodings.size()];
    const std::uint64_t limit = std::uint64_t{1} << (byteAt(input, 1) % 21);
    const std::size_t pieceCount = byteAt(input, 2) % 8;
    const std::size_t headerBytes = std::min(input.size(), 3 + pieceCount);
    const std::string_view pieceLengths = input.substr(std::min(input.size(), std::size_t{3}), pieceCount);
    const std::string_view body = input.substr(headerBytes);

    const Outcome inPieces = decode(coding, body, pieceLengths, limit);
    const Outcome whole = decode(coding, body, {}, limit);
    // A stream that is both corrupt and larger than the cap may report either fault first: a decoder
    // holds output back until it needs input, so where the body is cut decides which one shows. Success
    // against failure, though, must never depend on the cut.
    const bool bothFailed = inPieces.status != net::DecodeStatus::Ok && whole.status != net::DecodeStatus::Ok;
    if (inPieces.status != whole.status && !bothFailed) {
        invariantBroken(kName, "cutting the body changed how decoding ended");
    }
    if (whole.status == net::DecodeStatus::Ok &&
        (inPieces.output != whole.output || inPieces.complete != whole.complete)) {
        invariantBroken(kName, "cutting the body changed what it decoded to");
    }
}

}  // namespace novawick::fuzz
