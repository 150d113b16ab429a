// Name-to-id lookup for the tree builder: one bisection of the sorted name table per token.
#include "html/parser/tree_builder_tags.h"

#include <algorithm>

namespace html {

TagId tagIdOf(std::string_view name) noexcept {
    const auto found = std::lower_bound(kTagIdNames.begin(), kTagIdNames.end(), name);
    if (found == kTagIdNames.end() || *found != name) return TagId::Other;
    return static_cast<TagId>(found - kTagIdNames.begin());
}

}  // namespace html
