// Where a request goes: the one call through which every part of the program reaches the network. The
// site clients, the cover download and the mirror probe take a transport instead of reaching for a
// process-wide client, so that the program hands in its shared libcurl client (net/http_client.h) while
// tests and the demo hand in one of their own, routed to a loopback server.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace novawick::net {

/// The two methods the program uses.
enum class Method { Get, Post };

/// Header field as sent: name and value, in the order given.
using HeaderField = std::pair<std::string, std::string>;

/// One request. Only the listed headers are added by the program; libcurl adds its own few.
struct Request {
    Method method = Method::Get;
    std::string url;
    std::vector<HeaderField> headers;
    std::optional<std::string> body;
    /// True for the request profiles (page fetch, search post): the 60-second inactivity limit.
    bool applyProfileTimeout = false;
};

/// A complete answer: status of the last response after redirects, its decoded body, its address.
struct Response {
    long status = 0;
    std::string body;
    std::string effectiveUrl;
};

/// Sends requests one at a time and waits for each whole answer.
class Transport {
public:
    virtual ~Transport() = default;

    /// Sends a request and waits for the whole body; raises TransportError on any transport failure.
    virtual Response send(const Request& request) = 0;

protected:
    Transport() = default;
    Transport(const Transport&) = default;
    Transport& operator=(const Transport&) = default;
};

}  // namespace novawick::net
