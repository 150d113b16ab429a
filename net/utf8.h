// Strict UTF-8 validation for answer bodies. Pages are accepted only as well-formed UTF-8; nothing
// is repaired or guessed, so an overlong form, a surrogate or a code point past U+10FFFF fails.
#pragma once

#include <string_view>

namespace novawick::net {

/// True when `bytes` is well-formed UTF-8 (RFC 3629): shortest forms only, no surrogates, <= U+10FFFF.
bool isValidUtf8(std::string_view bytes) noexcept;

}  // namespace novawick::net
