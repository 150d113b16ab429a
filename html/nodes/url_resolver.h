// Resolution of a relative URL reference against a base URL (RFC 3986, section 5). The HTML
// library must not depend on the HTTP layer, so it carries this small resolver of its own.
#pragma once

#include <string>
#include <string_view>

namespace novawick::html {

/// `reference` resolved against `base`. A base without a scheme cannot anchor a relative
/// reference: an absolute reference is then returned as is, anything else gives "".
std::string resolveUrl(std::string_view base, std::string_view reference);

}  // namespace novawick::html
