// The same job run through three parsers, so that a benchmark or a callgrind driver can put them side
// by side: this library, gumbo (an HTML5 parser in C) and libxml2's HTML parser (HTML 4 rules). Each
// call parses a page and, when asked, gathers the text under body; it returns a number derived from the
// result so that the work cannot be optimised away.
#pragma once

#include <cstddef>
#include <string_view>

namespace novawick::bench {

enum class Engine { Novawick, Gumbo, Libxml2 };

/// Display name of an engine ("novawick", "gumbo", "libxml2").
std::string_view engineName(Engine engine);

/// The engine of that display name; false when there is none.
bool engineFromName(std::string_view name, Engine& engine);

/// Parses `page` (and extracts body text when `withText`); returns the text's size, or the number of
/// top-level nodes when no text was asked for.
std::size_t parseWith(Engine engine, std::string_view page, bool withText);

}  // namespace novawick::bench
