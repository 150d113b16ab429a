// The error kinds of the HTTP layer. A transport failure is raised as one exception type whose text
// names the address and the cause, so that the dialogue can print it unchanged; the kind lets callers
// and tests tell failures apart without comparing texts.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace novawick::net {

/// Why a request did not produce a response.
enum class TransportFailure {
    InvalidRequest,          // the request itself cannot be sent safely (bad header, bad method text)
    UnsupportedProtocol,     // a scheme other than http or https, or a redirect from https to http
    MalformedAddress,        // the address text does not parse
    CouldNotResolveHost,     // name resolution failed
    CouldNotConnect,         // the TCP connection was refused or unreachable
    TimedOut,                // nothing moved for the inactivity limit, a trickle below the rate floor,
                             // the request's time limit passed, or connecting took too long
    TlsFailure,              // handshake or certificate verification failed
    TooManyRedirects,        // the redirect limit was reached
    BodyTooLarge,            // the decoded body exceeded the size cap
    ReceiveFailure,          // the connection broke, the answer was not valid HTTP or its header too large
    ContentDecodingFailure,  // the body's content coding could not be undone
    OtherFailure,            // any other libcurl failure
};

/// A request that did not produce a complete response; what() is "<url>: <cause>".
class TransportError : public std::runtime_error {
public:
    TransportError(TransportFailure failure, std::string url, std::string cause);

    /// The kind of failure.
    TransportFailure failure() const noexcept { return failure_; }
    /// The address that was requested.
    const std::string& url() const noexcept { return url_; }
    /// The cause alone, without the address.
    const std::string& cause() const noexcept { return cause_; }

private:
    TransportFailure failure_;
    std::string url_;
    std::string cause_;
};

/// Cause text of a body refused for its size.
std::string bodyTooLargeCause(std::uint64_t limitBytes);
/// Cause text of a transfer stopped because nothing moved for too long.
std::string inactivityCause(std::int64_t timeoutMilliseconds);
/// Cause text of a transfer stopped because its average rate fell below the floor for a whole window.
std::string tooSlowCause(std::uint64_t minimumBytesPerSecond, std::int64_t windowMilliseconds);
/// Cause text of a request stopped at its overall time limit.
std::string requestTimeLimitCause(std::int64_t limitMilliseconds);
/// Cause text of a redirect refused because it would leave https for plain http.
std::string insecureRedirectCause(std::string_view target);
/// Cause text of an answer whose header lines passed the limit (libcurl's own says "Out of memory").
inline constexpr std::string_view kResponseHeaderTooLargeCause = "Response header too large";

}  // namespace novawick::net
