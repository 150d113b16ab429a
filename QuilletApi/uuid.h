// Fresh random identifiers in their 36-character text form with upper-case hexadecimal digits.
#pragma once

#include <string>

namespace novawick {

std::string newUuidString();

}  // namespace novawick
