// Counting text the way a reader does: in user-perceived characters (extended grapheme clusters).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace novawick {

/// `text` without its first `count` user-perceived characters; empty when it has no more than that.
std::string dropLeadingCharacters(std::string_view text, std::size_t count);

}  // namespace novawick
