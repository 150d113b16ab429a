// A tiny HTTPS/1.1 server that records every request byte for byte and answers from a script. It
// exists because general-purpose servers normalise what they receive (header order and case are
// lost), while the client's tests must see exactly what went on the wire. Each response can also
// misbehave on purpose: stall, drip, hang up mid-body, or redirect. It can also speak plain HTTP, to
// catch what a client would send in the clear. It comes with an HTTP client of its own that reaches it
// under its host names, for the test to hand to what it tests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "demo/loopback/certificate_kit.h"
#include "net/http_client.h"
#include "tests/support/content_coding.h"

namespace novawick::testing {

/// One request exactly as received.
struct RecordedRequest {
    std::string raw;  // request line, header lines, blank line and body, unaltered
    std::string method;
    std::string target;
    std::string version;
    std::vector<net::HeaderField> headers;  // in order; names as sent, values without surrounding blanks
    std::string body;
    std::size_t connection = 0;  // 1-based number of the connection that carried it

    /// Value of the first header with this name (case-insensitive).
    std::optional<std::string> header(std::string_view name) const;
    /// Number of headers with this name (case-insensitive).
    std::size_t headerCount(std::string_view name) const;
};

/// How the end of a scripted body is signalled.
enum class BodyFraming { ContentLength, Chunked, CloseDelimited };

/// A scripted answer and the misbehaviour to go with it.
struct ScriptedResponse {
    int status = 200;
    std::vector<net::HeaderField> headers;
    std::string body;  // before coding
    ContentCoding coding = ContentCoding::Identity;
    BodyFraming framing = BodyFraming::ContentLength;
    std::chrono::milliseconds stallBeforeHeaders{0};
    std::chrono::milliseconds stallAfterHeaders{0};
    std::size_t dripBytes = 0;                  // when non-zero, the body goes out in pieces of this size...
    std::chrono::milliseconds dripInterval{0};  // ...with this pause before each piece
    std::optional<std::size_t> hangUpAfterBodyBytes;  // close after this many encoded body bytes

    /// A plain answer with a body.
    static ScriptedResponse text(int status, std::string body);
    /// A redirect to `location` with an empty body.
    static ScriptedResponse redirect(int status, std::string location);
};

/// Whether the server speaks HTTPS or plain HTTP.
enum class ServerTransport { Tls, Plain };

/// Chooses the answer to a request; called on the connection's thread.
using Responder = std::function<ScriptedResponse(const RecordedRequest&)>;

/// HTTPS on 127.0.0.1 (ephemeral port), HTTP/1.1 only, one thread per connection; stops on destruction.
class RawTlsServer {
public:
    /// Serves a certificate for these names (plain HTTP: answers for them); routes not set get 404.
    explicit RawTlsServer(std::vector<std::string> hostNames = {"raw.test"},
                          ServerTransport transport = ServerTransport::Tls);
    ~RawTlsServer();
    RawTlsServer(const RawTlsServer&) = delete;
    RawTlsServer& operator=(const RawTlsServer&) = delete;

    /// The listening port.
    std::uint16_t port() const { return port_; }
    /// "https://<first host name><path>" ("http://" when plain), reachable through client().
    std::string url(std::string_view path) const;
    /// The certificates in use.
    const loopback::CertificateKit& certificates() const { return certificates_; }

    /// Answers requests for `target` (path and query as sent) with `response`.
    void route(std::string target, ScriptedResponse response);
    /// Answers every request for which no route is set.
    void setResponder(Responder responder);

    /// Client settings that send every host name (port 443, or 80 when plain) here and trust this server's
    /// authority.
    net::ClientSettings clientSettings() const;
    /// A client made with clientSettings(); it closes its connections before the server stops.
    net::HttpClient& client() const { return *client_; }

    /// The requests received so far, in order of arrival.
    std::vector<RecordedRequest> requests() const;
    /// The TCP connections accepted so far.
    std::size_t connectionsAccepted() const;

private:
    struct Tls;
    void acceptLoop();
    void serveConnection(int socket, std::size_t connection);
    ScriptedResponse answerFor(const RecordedRequest& request);
    bool pause(std::chrono::milliseconds duration);

    loopback::CertificateKit certificates_;
    std::unique_ptr<Tls> tls_;  // null when plain
    int listener_ = -1;
    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::map<std::string, ScriptedResponse> routes_;
    Responder responder_;
    std::vector<RecordedRequest> requests_;
    std::size_t connections_ = 0;
    std::vector<int> openSockets_;
    std::vector<std::thread> connectionThreads_;
    std::thread acceptor_;
    std::unique_ptr<net::HttpClient> client_;
};

}  // namespace novawick::testing
