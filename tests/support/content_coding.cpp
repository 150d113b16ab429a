// gzip and deflate through zlib's deflate stream (window bits select the wrapper), Brotli through
// the one-shot encoder. Test bodies are small, so one-shot encoding into a sized buffer is enough.
#include "tests/support/content_coding.h"

#include <brotli/encode.h>
#include <zlib.h>

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

}  // namespace

std::string_view codingToken(ContentCoding coding) noexcept {
    switch (coding) {
        case ContentCoding::identity: return "";
        case ContentCoding::gzip: return "gzip";
        case ContentCoding::deflate: return "deflate";
        case ContentCoding::brotli: return "br";
    }
    return "";
}

std::string encodeBody(ContentCoding coding, std::string_view body) {
    switch (coding) {
        case ContentCoding::identity: return std::string(body);
        case ContentCoding::gzip: return zlibEncode(body, 15 + 16);
        case ContentCoding::deflate: return zlibEncode(body, 15);
        case ContentCoding::brotli: return brotliEncode(body);
    }
    return std::string(body);
}

}  // namespace novawick::testing
