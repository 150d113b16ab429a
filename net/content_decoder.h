// Undoing a response's content coding. libcurl's own decoder accepts a gzip, deflate or Brotli stream
// that stops before its end marker as a shorter body, which would silently drop the end of a page; this
// one requires every stream to be complete.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace novawick::net {

class ContentDecoder {
public:
    /// A decoder for a Content-Encoding value; unknown and "identity" codings pass bytes through.
    static std::unique_ptr<ContentDecoder> forCoding(std::string_view contentEncoding);
    virtual ~ContentDecoder() = default;

    /// Appends what `input` decodes to onto `output`; false when the stream is corrupt.
    virtual bool decode(std::string_view input, std::string& output) = 0;
    /// True when the stream ended properly (or never started: an empty body).
    virtual bool complete() const = 0;
};

}  // namespace novawick::net
