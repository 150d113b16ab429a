// Fresh random identifiers in their 36-character text form with upper-case hexadecimal digits.
#pragma once

#include <string>

namespace novawick {

/// A fresh random (version 4) UUID, for example "1B4E28BA-2FA1-41D2-883F-0016D3CCA427".
std::string newUuidString();

}  // namespace novawick
