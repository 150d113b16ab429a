// Texts of the HTTP layer's errors, kept here so that tests compare against the same constants.
#include "net/errors.h"

#include <utility>

namespace novawick::net {

TransportError::TransportError(TransportFailure failure, std::string url, std::string cause)
    : std::runtime_error(url + ": " + cause),
      failure_(failure),
      url_(std::move(url)),
      cause_(std::move(cause)) {}

std::string bodyTooLargeCause(std::uint64_t limitBytes) {
    return "Response body larger than " + std::to_string(limitBytes) + " bytes";
}

std::string inactivityCause(std::int64_t timeoutMilliseconds) {
    return "Operation timed out: no data moved for " + std::to_string(timeoutMilliseconds) + " ms";
}

std::string tooSlowCause(std::uint64_t minimumBytesPerSecond, std::int64_t windowMilliseconds) {
    return "Operation too slow: less than " + std::to_string(minimumBytesPerSecond) + " bytes a second over " +
           std::to_string(windowMilliseconds) + " ms";
}

std::string requestTimeLimitCause(std::int64_t limitMilliseconds) {
    return "Operation timed out: the request took longer than " + std::to_string(limitMilliseconds) + " ms";
}

std::string insecureRedirectCause(std::string_view target) {
    return "Redirect from https to plain http refused: " + std::string(target);
}

}  // namespace novawick::net
