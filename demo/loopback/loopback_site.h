// A stand-in for a real web site: HTTPS on 127.0.0.1 with handlers per path, for tests that care
// about what pages a client reads rather than the exact bytes of its requests (RawTlsServer covers
// those). It counts the TCP connections it accepts, so a test can prove that many pages travelled
// over one kept-alive connection. It comes with an HTTP client of its own that reaches it under its host
// names, for the caller to hand to what it tests. The HTTP server library stays behind this interface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "demo/loopback/certificate_kit.h"
#include "net/http_client.h"

namespace novawick::loopback {

/// A request as a handler sees it.
struct SiteRequest {
    std::string method;
    std::string path;                       // decoded path, without the query
    std::string target;                     // path and query as sent
    std::vector<net::HeaderField> headers;  // grouped by name; the server does not keep the wire order
    std::string body;

    /// Value of the first header with this name (case-insensitive), or empty.
    std::string header(std::string_view name) const;
};

/// What a handler answers.
struct SiteResponse {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    std::vector<net::HeaderField> headers;
};

/// Fills in the answer to a request.
using SiteHandler = std::function<void(const SiteRequest&, SiteResponse&)>;

/// HTTPS site on an ephemeral loopback port, served from a background thread; stops on destruction.
class LoopbackSite {
public:
    /// Serves a certificate for these names (first one used by url()).
    explicit LoopbackSite(std::vector<std::string> hostNames = {"site.test"});
    ~LoopbackSite();
    LoopbackSite(const LoopbackSite&) = delete;
    LoopbackSite& operator=(const LoopbackSite&) = delete;

    /// Handles GET requests for exactly this path; may be called while serving.
    void get(std::string path, SiteHandler handler);
    /// Handles POST requests for exactly this path.
    void post(std::string path, SiteHandler handler);
    /// Serves fixed bytes for GET of this path with status 200.
    void serve(std::string path, std::string body, std::string contentType = "text/html; charset=utf-8");

    /// The listening port.
    std::uint16_t port() const;
    /// "https://<first host name><path>".
    std::string url(std::string_view path) const;
    /// The certificates in use.
    const CertificateKit& certificates() const;

    /// Client settings that send every host name (port 443) here and trust this site's authority.
    net::ClientSettings clientSettings() const;
    /// A client made with clientSettings(); it closes its connections before the site stops.
    net::HttpClient& client() const;

    /// TCP connections accepted so far.
    std::size_t connectionsAccepted() const;
    /// Requests handled so far (any path, any status).
    std::size_t requestsServed() const;

private:
    struct Server;
    std::unique_ptr<Server> server_;
    std::unique_ptr<net::HttpClient> client_;
};

}  // namespace novawick::loopback
