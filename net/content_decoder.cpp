// The decoders write into a fixed step buffer and hand each step to appendWithinLimit, so no coding can
// produce more than one step past what the cap allows before it is stopped. A decoder's answer must not
// depend on how the body was cut into pieces on the way: where a decision needs two bytes and only one
// has come, that byte is held back for the next call.
#include "net/content_decoder.h"

#include <brotli/decode.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <new>

namespace novawick::net {
namespace {

// Output of one decoding step; small, so that a bomb is stopped within a step of the cap.
constexpr std::size_t kOutputStepBytes = 16 * 1024;
// A body grows by doubling up to this size; past it, room for the whole limit is taken at once, so the
// one copy made on the way costs at most this much. Untouched room costs address space, not memory.
constexpr std::uint64_t doublingCeilingBytes = 16 * 1024 * 1024;

class Identity final : public ContentDecoder {
public:
    DecodeStatus decode(std::string_view input, std::string& output, std::uint64_t limit) override {
        return appendWithinLimit(output, input, limit) ? DecodeStatus::Ok : DecodeStatus::TooLarge;
    }
    bool complete() const override { return true; }
};

// gzip (possibly several members) and deflate (zlib format, or the raw stream some servers send).
class Zlib final : public ContentDecoder {
public:
    explicit Zlib(bool gzip) : gzip_(gzip) {}
    ~Zlib() override {
        if (initialised_) inflateEnd(&stream_);
    }

    DecodeStatus decode(std::string_view input, std::string& output, std::uint64_t limit) override {
        std::string joined;
        if (!heldBack_.empty()) {
            joined = std::move(heldBack_);
            joined.append(input);
            heldBack_.clear();
            input = joined;
        }
        while (!input.empty()) {
            switch (phase_) {
                case Phase::AwaitingStart:
                    // Telling the two deflate wrappers apart takes the first two bytes.
                    if (!gzip_ && input.size() < 2) {
                        heldBack_ = input;
                        return DecodeStatus::Ok;
                    }
                    start(input);
                    break;
                case Phase::InStream:
                    if (const DecodeStatus status = inflateSome(input, output, limit); status != DecodeStatus::Ok) {
                        return status;
                    }
                    break;
                case Phase::Ended:
                    // Another gzip member follows, or trailing bytes that carry no text and are dropped,
                    // as browsers do.
                    if (gzip_ && input.size() == 1 && input[0] == '\x1f') {
                        heldBack_ = input;
                        return DecodeStatus::Ok;
                    }
                    if (!gzip_ || !input.starts_with("\x1f\x8b")) {
                        phase_ = Phase::IgnoringTrailer;
                        return DecodeStatus::Ok;
                    }
                    if (inflateReset(&stream_) != Z_OK) return DecodeStatus::Corrupt;
                    phase_ = Phase::InStream;
                    break;
                case Phase::IgnoringTrailer: return DecodeStatus::Ok;
            }
        }
        return DecodeStatus::Ok;
    }

    bool complete() const override {
        switch (phase_) {
            case Phase::AwaitingStart: return heldBack_.empty();  // one byte of deflate is no stream
            case Phase::InStream: return false;
            case Phase::Ended:
            case Phase::IgnoringTrailer: return true;
        }
        return false;
    }

private:
    enum class Phase { AwaitingStart, InStream, Ended, IgnoringTrailer };

    void start(std::string_view input) {
        int windowBits = MAX_WBITS + 16;  // gzip header and trailer
        if (!gzip_) {
            // RFC 9110 deflate is the zlib format; a first byte pair that is no zlib header means raw.
            const auto first = static_cast<unsigned char>(input[0]);
            const auto second = static_cast<unsigned char>(input[1]);
            const bool zlibHeader = (first & 0x0F) == Z_DEFLATED && ((first << 8) | second) % 31 == 0;
            windowBits = zlibHeader ? MAX_WBITS : -MAX_WBITS;
        }
        stream_ = {};
        if (inflateInit2(&stream_, windowBits) != Z_OK) throw std::bad_alloc();
        initialised_ = true;
        phase_ = Phase::InStream;
    }

    // Inflates from the front of `input` until it is used up or the stream ends, one step at a time.
    DecodeStatus inflateSome(std::string_view& input, std::string& output, std::uint64_t limit) {
        std::array<unsigned char, kOutputStepBytes> buffer;
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        stream_.avail_in = static_cast<uInt>(std::min<std::size_t>(input.size(), 1u << 30));
        const std::size_t offered = stream_.avail_in;
        int result = Z_OK;
        do {
            const uInt inputBefore = stream_.avail_in;
            stream_.next_out = buffer.data();
            stream_.avail_out = buffer.size();
            result = inflate(&stream_, Z_NO_FLUSH);
            const std::size_t produced = buffer.size() - stream_.avail_out;
            // What came out before an error is counted first, so the cap wins whatever the input's cuts.
            if (!appendWithinLimit(output, {reinterpret_cast<char*>(buffer.data()), produced}, limit)) {
                return DecodeStatus::TooLarge;
            }
            if (result == Z_STREAM_END) break;
            if (result != Z_OK && result != Z_BUF_ERROR) return DecodeStatus::Corrupt;
            if (produced == 0 && stream_.avail_in == inputBefore && inputBefore > 0) return DecodeStatus::Corrupt;
        } while (stream_.avail_in > 0 || stream_.avail_out == 0);
        input.remove_prefix(offered - stream_.avail_in);
        if (result == Z_STREAM_END) phase_ = Phase::Ended;
        return DecodeStatus::Ok;
    }

    bool gzip_;
    Phase phase_ = Phase::AwaitingStart;
    bool initialised_ = false;
    std::string heldBack_;
    z_stream stream_{};
};

class Brotli final : public ContentDecoder {
public:
    Brotli() : state_(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)) {
        if (state_ == nullptr) throw std::bad_alloc();
    }
    ~Brotli() override { BrotliDecoderDestroyInstance(state_); }

    DecodeStatus decode(std::string_view input, std::string& output, std::uint64_t limit) override {
        if (input.empty() || ended_) return DecodeStatus::Ok;  // trailing bytes after the stream carry no text
        started_ = true;
        std::size_t availableIn = input.size();
        const auto* nextIn = reinterpret_cast<const std::uint8_t*>(input.data());
        std::array<std::uint8_t, kOutputStepBytes> buffer;
        for (;;) {
            const std::size_t inputBefore = availableIn;
            std::size_t availableOut = buffer.size();
            std::uint8_t* nextOut = buffer.data();
            const BrotliDecoderResult result =
                BrotliDecoderDecompressStream(state_, &availableIn, &nextIn, &availableOut, &nextOut, nullptr);
            const std::size_t produced = buffer.size() - availableOut;
            if (!appendWithinLimit(output, {reinterpret_cast<char*>(buffer.data()), produced}, limit)) {
                return DecodeStatus::TooLarge;
            }
            switch (result) {
                case BROTLI_DECODER_RESULT_SUCCESS: ended_ = true; return DecodeStatus::Ok;
                case BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT:
                    // The decoder may ask for input while output it already owes is still buffered;
                    // drain that first, or the body would depend on how the network cut it.
                    if (BrotliDecoderHasMoreOutput(state_)) break;
                    return DecodeStatus::Ok;
                case BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT:
                    if (produced == 0 && availableIn == inputBefore) return DecodeStatus::Corrupt;
                    break;
                case BROTLI_DECODER_RESULT_ERROR: return DecodeStatus::Corrupt;
            }
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

bool appendWithinLimit(std::string& output, std::string_view bytes, std::uint64_t limit) {
    const std::uint64_t needed = std::uint64_t{output.size()} + bytes.size();
    if (needed > limit) return false;
    if (needed > output.capacity()) {
        std::uint64_t capacity = std::max<std::uint64_t>(needed, 2 * std::uint64_t{output.capacity()});
        if (capacity > doublingCeilingBytes) capacity = limit;
        // A fresh string takes exactly the room asked for; growing `output` in place could double it.
        std::string grown;
        grown.reserve(static_cast<std::size_t>(std::min(capacity, limit)));
        grown.append(output);
        output.swap(grown);
    }
    output.append(bytes);
    return true;
}

void releaseSpareCapacity(std::string& body) {
    if (body.capacity() > doublingCeilingBytes && body.size() <= body.capacity() / 2) body.shrink_to_fit();
}

}  // namespace novawick::net
