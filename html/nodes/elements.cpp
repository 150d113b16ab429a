// Joined text of an element list.
#include "html/nodes/elements.h"

#include "html/nodes/element.h"

namespace novawick::html {

std::string Elements::text(bool trimAndNormaliseWhitespace) const {
    std::string joined;
    bool first = true;
    for (const Element* element : elements_) {
        if (!first) joined += ' ';
        first = false;
        joined += element->text(trimAndNormaliseWhitespace);
    }
    return joined;
}

}  // namespace novawick::html
