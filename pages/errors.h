// Error kinds of the site clients. `EmptyError` says that an answer could not be used: a status other
// than 200, a body that is not UTF-8, a page without a body or without a required element, a link that
// leads off the site. Callers need not tell these apart, but a user must be able to: the error names the
// page and the cause ("<address>: <cause>"), since it may end an hour of downloading.
// Errors of the HTTP client, the HTML library, the JSON encoder and the file system pass through unchanged.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace novawick::pages {

/// An answer of a site that could not be used; what() is "<address>: <cause>".
class EmptyError : public std::runtime_error {
public:
    EmptyError(std::string address, std::string cause);

    /// The page whose answer could not be used.
    const std::string& address() const noexcept { return address_; }
    /// Why, without the address.
    const std::string& cause() const noexcept { return cause_; }

private:
    std::string address_;
    std::string cause_;
};

inline constexpr std::string_view kNotUtf8Cause = "not UTF-8 text";
inline constexpr std::string_view kNoBodyCause = "no body element";
inline constexpr std::string_view kReadLinkOffSiteCause = "the read link is not an address on the site";

/// "status <code>".
std::string statusCause(long status);
/// "no element matches \"<query>\"".
std::string missingElementCause(std::string_view query);

}  // namespace novawick::pages
