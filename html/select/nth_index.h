// The argument of :nth-child() and its siblings: "odd", "even", "an+b" forms and a bare "b".
#pragma once

#include <cstdint>
#include <string_view>

namespace novawick::html {

struct NthIndex {
    std::int64_t a = 0;
    std::int64_t b = 0;
};

/// Reads an argument that is already trimmed and lower-cased. Raises SelectorParseException
/// "Could not parse nth-index '<argument>': unexpected format" when no form matches, when a number
/// does not fit 64 bits, or when a sign stands apart from its digits ("2n + 1").
NthIndex parseNthIndex(std::string_view argument);

}  // namespace novawick::html
