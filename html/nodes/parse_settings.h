// How the parser treats the case of tag and attribute names. HTML folds both to lower case; the
// case-preserving variant exists for callers that build trees by hand or parse XML-like input.
#pragma once

#include <string>
#include <string_view>

namespace novawick::html {

class Attributes;

struct ParseSettings {
    bool preserveTagCase = false;
    bool preserveAttributeCase = false;

    /// Tag and attribute names lower-cased: what `parse` uses.
    static constexpr ParseSettings htmlDefault() { return ParseSettings{false, false}; }
    /// Both cases kept as written.
    static constexpr ParseSettings preserveCase() { return ParseSettings{true, true}; }

    /// Trims the name and, unless tag case is preserved, lower-cases it.
    std::string normalizeTag(std::string_view name) const;
    /// Trims the name and, unless attribute case is preserved, lower-cases it.
    std::string normalizeAttribute(std::string_view name) const;
    /// Lower-cases every attribute key in place unless attribute case is preserved.
    void normalizeAttributes(Attributes& attributes) const;
};

}  // namespace novawick::html
