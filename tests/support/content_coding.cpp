// gzip and deflate through zlib's deflate stream (window bits select the wrapper), Brotli through
// the one-shot encoder. Test bodies are small, so one-shot encoding into a sized buffer is enough.
// Bombs are streams of zeros cut into blocks, each flushed to a byte boundary: after the first, every
// block compresses to the same bytes, so those bytes are repeated instead of compressing gigabytes.
#include "tests/support/content_coding.h"

#include <brotli/encode.h>
#include <zlib.h>

#include <memory>
#include <stdexcept>

namespace novawick::testing {

namespace {

std::string zlibEncode(std::string_view body, int windowBits) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(body.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    stream.avail_in = static_cast<uInt>(body.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
    return out;
}

std::string brotliEncode(std::string_view body) {
    std::size_t size = BrotliEncoderMaxCompressedSize(body.size());
    if (size == 0) size = body.size() + 1024;
    std::string out(size, '\0');
    if (!BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC,
                               body.size(), reinterpret_cast<const uint8_t*>(body.data()), &size,
                               reinterpret_cast<uint8_t*>(out.data()))) {
        throw std::runtime_error("BrotliEncoderCompress failed");
    }
    out.resize(size);
    return out;
}

// Runs one zlib deflate call to completion; `flush` decides how the output ends.
std::string deflateStep(z_stream& stream, std::string_view input, int flush) {
    std::string out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream.avail_in = static_cast<uInt>(input.size());
    do {
        unsigned char buffer[65536];
        stream.next_out = buffer;
        stream.avail_out = sizeof buffer;
        if (deflate(&stream, flush) == Z_STREAM_ERROR) throw std::runtime_error("deflate failed");
        out.append(reinterpret_cast<char*>(buffer), sizeof buffer - stream.avail_out);
    } while (stream.avail_out == 0);
    return out;
}

void appendLittleEndian(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xff);
}

void appendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xff);
}

// A full flush also forgets the window, so each block after the first compresses alone and alike.
std::string zlibZeros(std::uint64_t blocks, bool gzip) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, gzip ? 15 + 16 : 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::unique_ptr<z_stream, int (*)(z_stream*)> owner(&stream, &deflateEnd);
    const std::string block(zeroBlockBytes, '\0');
    const std::string first = deflateStep(stream, block, Z_FULL_FLUSH);
    const std::string repeated = deflateStep(stream, block, Z_FULL_FLUSH);
    if (deflateStep(stream, block, Z_FULL_FLUSH) != repeated) throw std::runtime_error("deflate blocks differ");
    std::string finish = deflateStep(stream, "", Z_FINISH);
    finish.resize(finish.size() - (gzip ? 8 : 4));  // the trailer is made below for the real length

    const auto blockCrc = crc32(0, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size()));
    const auto blockAdler = adler32(1, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size()));
    uLong crc = crc32(0, nullptr, 0);
    uLong adler = adler32(0, nullptr, 0);
    std::string out = first;
    for (std::uint64_t index = 0; index < blocks; ++index) {
        if (index > 0) out += repeated;
        crc = crc32_combine(crc, blockCrc, static_cast<z_off_t>(zeroBlockBytes));
        adler = adler32_combine(adler, blockAdler, static_cast<z_off_t>(zeroBlockBytes));
    }
    out += finish;
    if (gzip) {
        appendLittleEndian(out, static_cast<std::uint32_t>(crc));
        appendLittleEndian(out, static_cast<std::uint32_t>(blocks * zeroBlockBytes));  // modulo 2^32
    } else {
        appendBigEndian(out, static_cast<std::uint32_t>(adler));
    }
    return out;
}

std::string brotliStep(BrotliEncoderState* encoder, std::string_view input, BrotliEncoderOperation operation) {
    std::string out;
    std::size_t availableIn = input.size();
    const auto* nextIn = reinterpret_cast<const std::uint8_t*>(input.data());
    do {
        std::uint8_t buffer[65536];
        std::size_t availableOut = sizeof buffer;
        std::uint8_t* nextOut = buffer;
        if (!BrotliEncoderCompressStream(encoder, operation, &availableIn, &nextIn, &availableOut, &nextOut, nullptr)) {
            throw std::runtime_error("BrotliEncoderCompressStream failed");
        }
        out.append(reinterpret_cast<char*>(buffer), sizeof buffer - availableOut);
    } while (availableIn > 0 || BrotliEncoderHasMoreOutput(encoder));
    return out;
}

// A flush ends each block on a byte boundary; later blocks copy from the window, all of it zeros.
std::string brotliZeros(std::uint64_t blocks) {
    std::unique_ptr<BrotliEncoderState, void (*)(BrotliEncoderState*)> encoder(
        BrotliEncoderCreateInstance(nullptr, nullptr, nullptr), &BrotliEncoderDestroyInstance);
    if (!encoder || !BrotliEncoderSetParameter(encoder.get(), BROTLI_PARAM_QUALITY, 5) ||
        !BrotliEncoderSetParameter(encoder.get(), BROTLI_PARAM_LGWIN, 24)) {
        throw std::runtime_error("Brotli encoder set-up failed");
    }
    if (blocks == 0) return brotliStep(encoder.get(), "", BROTLI_OPERATION_FINISH);
    const std::string block(zeroBlockBytes, '\0');
    const std::string first = brotliStep(encoder.get(), block, BROTLI_OPERATION_FLUSH);
    const std::string repeated = brotliStep(encoder.get(), block, BROTLI_OPERATION_FLUSH);
    if (brotliStep(encoder.get(), block, BROTLI_OPERATION_FLUSH) != repeated) {
        throw std::runtime_error("Brotli blocks differ");
    }
    std::string out = first;
    for (std::uint64_t index = 1; index < blocks; ++index) out += repeated;
    return out + brotliStep(encoder.get(), "", BROTLI_OPERATION_FINISH);
}

}  // namespace

std::string_view codingToken(ContentCoding coding) noexcept {
    switch (coding) {
        case ContentCoding::Identity: return "";
        case ContentCoding::Gzip: return "gzip";
        case ContentCoding::Deflate: return "deflate";
        case ContentCoding::Brotli: return "br";
    }
    return "";
}

std::string encodeBody(ContentCoding coding, std::string_view body) {
    switch (coding) {
        case ContentCoding::Identity: return std::string(body);
        case ContentCoding::Gzip: return zlibEncode(body, 15 + 16);
        case ContentCoding::Deflate: return zlibEncode(body, 15);
        case ContentCoding::Brotli: return brotliEncode(body);
    }
    return std::string(body);
}

std::string encodeZeros(ContentCoding coding, std::uint64_t blocks) {
    switch (coding) {
        case ContentCoding::Identity: return std::string(blocks * zeroBlockBytes, '\0');
        case ContentCoding::Gzip: return blocks == 0 ? encodeBody(coding, "") : zlibZeros(blocks, true);
        case ContentCoding::Deflate: return blocks == 0 ? encodeBody(coding, "") : zlibZeros(blocks, false);
        case ContentCoding::Brotli: return brotliZeros(blocks);
    }
    return {};
}

}  // namespace novawick::testing
