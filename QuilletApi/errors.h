// Error kinds of the site clients. `EmptyError` says only that an answer could not be used: a status
// other than 200, a body that is not UTF-8, a page without a body or without a required element.
// Errors of the HTTP client, the HTML library, the JSON encoder and the file system pass through unchanged.
#pragma once

#include <exception>

namespace novawick {

class EmptyError : public std::exception {
public:
    const char* what() const noexcept override { return "the site's answer could not be used"; }
};

}  // namespace novawick
