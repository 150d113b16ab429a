// PNG writing in its simplest valid form: signature, IHDR, one zlib-compressed IDAT of unfiltered rows,
// IEND, each chunk with its CRC-32. zlib does the compression and the checksums.
#include "demo/cover_picture.h"

#include <zlib.h>

#include <stdexcept>
#include <string_view>

namespace novawick::demo {
namespace {

void appendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void appendChunk(std::string& out, std::string_view type, std::string_view data) {
    appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    std::string typed(type);
    typed += data;
    out += typed;
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
    appendBigEndian(out, static_cast<std::uint32_t>(crc));
}

void appendPixel(std::string& rows, std::uint32_t colour) {
    rows += static_cast<char>((colour >> 16) & 0xFF);
    rows += static_cast<char>((colour >> 8) & 0xFF);
    rows += static_cast<char>(colour & 0xFF);
}

// Background, a band across the lower middle, and a disc sitting on the band.
std::string rawRows(const SampleBook& book) {
    constexpr long kBandTop = kCoverHeight * 5 / 8;
    constexpr long kBandBottom = kBandTop + 12;
    constexpr long kDiscX = kCoverWidth / 2;
    constexpr long kDiscY = kBandTop - 18;
    constexpr long kDiscRadius = 22;
    std::string rows;
    rows.reserve(kCoverHeight * (1 + 3 * kCoverWidth));
    for (long y = 0; y < static_cast<long>(kCoverHeight); ++y) {
        rows += '\0';  // filter type None
        for (long x = 0; x < static_cast<long>(kCoverWidth); ++x) {
            long dx = x - kDiscX;
            long dy = y - kDiscY;
            bool inDisc = dx * dx + dy * dy <= kDiscRadius * kDiscRadius;
            bool inBand = y >= kBandTop && y < kBandBottom;
            appendPixel(rows, inDisc || inBand ? book.accentColour : book.coverColour);
        }
    }
    return rows;
}

}  // namespace

std::string coverPicture(const SampleBook& book) {
    std::string rows = rawRows(book);
    uLongf compressedSize = compressBound(static_cast<uLong>(rows.size()));
    std::string compressed(compressedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &compressedSize,
                  reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size()), 9) != Z_OK) {
        throw std::runtime_error("cover picture: compression failed");
    }
    compressed.resize(compressedSize);

    std::string header;
    appendBigEndian(header, kCoverWidth);
    appendBigEndian(header, kCoverHeight);
    header += std::string_view("\x08\x02\x00\x00\x00", 5);  // depth 8, RGB, deflate, adaptive, no interlace

    std::string png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", {});
    return png;
}

}  // namespace novawick::demo
