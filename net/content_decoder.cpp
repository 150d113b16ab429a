#include "net/content_decoder.h"

#include <brotli/decode.h>
#include <zlib.h>

#include <array>
#include <cctype>
#include <new>

namespace novawick::net {
namespace {

class Identity final : public ContentDecoder {
public:
    bool decode(std::string_view input, std::string& output) override {
        output.append(input);
        return true;
    }
    bool complete() const override { return true; }
};

// gzip (possibly several members) and deflate (zlib format, or the raw stream some servers send).
class Zlib final : public ContentDecoder {
public:
    explicit Zlib(bool gzip) : gzip_(gzip) {}
    ~Zlib() override {
        if (started_) inflateEnd(&stream_);
    }

    bool decode(std::string_view input, std::string& output) override {
        std::array<unsigned char, 16384> buffer;
        while (!input.empty()) {
            if (!started_ && !start(input)) return false;
            if (ended_) {
                // Another gzip member follows, or trailing bytes that carry no text and are dropped,
                // as browsers do.
                if (!gzip_ || !input.starts_with("\x1f\x8b")) return true;
                if (inflateReset(&stream_) != Z_OK) return false;
                ended_ = false;
            }
            stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
            stream_.avail_in = static_cast<uInt>(std::min<std::size_t>(input.size(), 1u << 30));
            const std::size_t offered = stream_.avail_in;
            int result = Z_OK;
            do {
                stream_.next_out = buffer.data();
                stream_.avail_out = buffer.size();
                result = inflate(&stream_, Z_NO_FLUSH);
                if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return false;
                output.append(reinterpret_cast<char*>(buffer.data()), buffer.size() - stream_.avail_out);
            } while (result == Z_OK && (stream_.avail_in > 0 || stream_.avail_out == 0));
            if (result == Z_STREAM_END) ended_ = true;
            input.remove_prefix(offered - stream_.avail_in);
            if (result == Z_BUF_ERROR && stream_.avail_in == offered) return false;  // no progress
        }
        return true;
    }

    bool complete() const override { return !started_ || ended_; }

private:
    bool start(std::string_view input) {
        int windowBits = MAX_WBITS + 16;  // gzip header and trailer
        if (!gzip_) {
            // RFC 9110 deflate is the zlib format; a first byte pair that is no zlib header means raw.
            const auto first = static_cast<unsigned char>(input[0]);
            const auto second = input.size() > 1 ? static_cast<unsigned char>(input[1]) : 0;
            const bool zlibHeader = (first & 0x0F) == Z_DEFLATED && ((first << 8) | second) % 31 == 0;
            windowBits = zlibHeader || input.size() < 2 ? MAX_WBITS : -MAX_WBITS;
        }
        stream_ = {};
        if (inflateInit2(&stream_, windowBits) != Z_OK) throw std::bad_alloc();
        started_ = true;
        return true;
    }

    bool gzip_;
    bool started_ = false;
    bool ended_ = false;
    z_stream stream_{};
};

class Brotli final : public ContentDecoder {
public:
    Brotli() : state_(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)) {
        if (state_ == nullptr) throw std::bad_alloc();
    }
    ~Brotli() override { BrotliDecoderDestroyInstance(state_); }

    bool decode(std::string_view input, std::string& output) override {
        if (input.empty() || ended_) return true;  // trailing bytes after the stream carry no text
        started_ = true;
        std::size_t availableIn = input.size();
        const auto* nextIn = reinterpret_cast<const std::uint8_t*>(input.data());
        std::array<std::uint8_t, 16384> buffer;
        while (true) {
            std::size_t availableOut = buffer.size();
            std::uint8_t* nextOut = buffer.data();
            BrotliDecoderResult result =
                BrotliDecoderDecompressStream(state_, &availableIn, &nextIn, &availableOut, &nextOut, nullptr);
            output.append(reinterpret_cast<char*>(buffer.data()), buffer.size() - availableOut);
            switch (result) {
                case BROTLI_DECODER_RESULT_SUCCESS:
                    ended_ = true;
                    return true;
                case BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT: return true;
                case BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT: continue;
                case BROTLI_DECODER_RESULT_ERROR: return false;
            }
            return false;
        }
    }

    bool complete() const override { return !started_ || ended_; }

private:
    BrotliDecoderState* state_;
    bool started_ = false;
    bool ended_ = false;
};

std::string lowered(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (c != ' ' && c != '\t') result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

}  // namespace

std::unique_ptr<ContentDecoder> ContentDecoder::forCoding(std::string_view contentEncoding) {
    const std::string coding = lowered(contentEncoding);
    if (coding == "gzip" || coding == "x-gzip") return std::make_unique<Zlib>(true);
    if (coding == "deflate") return std::make_unique<Zlib>(false);
    if (coding == "br") return std::make_unique<Brotli>();
    return std::make_unique<Identity>();
}

}  // namespace novawick::net
