// Content codings for test servers: bodies are encoded here, independently of libcurl, so that a
// test proves the client undoes real gzip, deflate and Brotli streams.
#pragma once

#include <string>
#include <string_view>

namespace novawick::testing {

/// The codings a test server can apply to a body.
enum class ContentCoding { identity, gzip, deflate, brotli };

/// The Content-Encoding token of a coding; empty for identity.
std::string_view codingToken(ContentCoding coding) noexcept;

/// The body encoded with a coding ("deflate" is the zlib format, as HTTP defines it).
std::string encodeBody(ContentCoding coding, std::string_view body);

}  // namespace novawick::testing
