// Content codings for test servers: bodies are encoded here, independently of libcurl, so that a
// test proves the client undoes real gzip, deflate and Brotli streams, and bombs are made here too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace novawick::testing {

/// The codings a test server can apply to a body.
enum class ContentCoding { Identity, Gzip, Deflate, Brotli };

/// The Content-Encoding token of a coding; empty for identity.
std::string_view codingToken(ContentCoding coding) noexcept;

/// The body encoded with a coding ("deflate" is the zlib format, as HTTP defines it).
std::string encodeBody(ContentCoding coding, std::string_view body);

/// Bytes of zeros in one compression block of encodeZeros.
inline constexpr std::uint64_t zeroBlockBytes = 1 << 20;

/// A body of `blocks` × zeroBlockBytes zero bytes in a coding, made without ever holding it decoded: a
/// compression bomb (4 GiB of Brotli in about 50 KB, 1 GiB of gzip in about 1 MB), built in milliseconds.
std::string encodeZeros(ContentCoding coding, std::uint64_t blocks);

}  // namespace novawick::testing
