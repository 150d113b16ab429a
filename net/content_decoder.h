// Undoing a response's content coding. libcurl's own decoder accepts a gzip, deflate or Brotli stream
// that stops before its end marker as a shorter body, which would silently drop the end of a page; this
// one requires every stream to be complete. It also holds the body cap: a few kilobytes of Brotli can
// stand for gigabytes, so output is produced in small steps and the cap is checked after each one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace novawick::net {

/// How one call of ContentDecoder::decode ended.
enum class DecodeStatus {
    Ok,        // everything offered was taken; more may follow
    Corrupt,   // the stream is not valid in its coding
    TooLarge,  // the decoded body would pass the limit; output holds at most the limit
};

class ContentDecoder {
public:
    /// A decoder for a Content-Encoding value; unknown and "identity" codings pass bytes through.
    static std::unique_ptr<ContentDecoder> forCoding(std::string_view contentEncoding);
    virtual ~ContentDecoder() = default;

    /// Appends what `input` decodes to onto `output`, which never grows past `limit` bytes.
    virtual DecodeStatus decode(std::string_view input, std::string& output, std::uint64_t limit) = 0;
    /// True when the stream ended properly (or never started: an empty body).
    virtual bool complete() const = 0;
};

/// Appends `bytes` unless `output` would pass `limit`; grows so that a body near the limit is never copied.
bool appendWithinLimit(std::string& output, std::string_view bytes, std::uint64_t limit);

/// Gives back the room appendWithinLimit reserved when the body came out much smaller than it.
void releaseSpareCapacity(std::string& body);

}  // namespace novawick::net
