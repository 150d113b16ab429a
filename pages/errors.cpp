#include "pages/errors.h"

namespace novawick::pages {

EmptyError::EmptyError(std::string address, std::string cause)
    : std::runtime_error(address + ": " + cause), address_(std::move(address)), cause_(std::move(cause)) {}

std::string statusCause(long status) { return "status " + std::to_string(status); }

std::string missingElementCause(std::string_view query) { return "no element matches \"" + std::string(query) + "\""; }

}  // namespace novawick::pages
