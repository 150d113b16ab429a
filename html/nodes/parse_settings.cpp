// Name normalisation for the parser and for tag lookups.
#include "html/nodes/parse_settings.h"

#include "html/nodes/attributes.h"
#include "html/nodes/string_util.h"

namespace novawick::html {

std::string ParseSettings::normalizeTag(std::string_view name) const {
    std::string_view trimmed = trim(name);
    return preserveTagCase ? std::string(trimmed) : toLowerCase(trimmed);
}

std::string ParseSettings::normalizeAttribute(std::string_view name) const {
    std::string_view trimmed = trim(name);
    return preserveAttributeCase ? std::string(trimmed) : toLowerCase(trimmed);
}

void ParseSettings::normalizeAttributes(Attributes& attributes) const {
    if (!preserveAttributeCase) attributes.normalize();
}

}  // namespace novawick::html
