// The one process-wide HTTP client. Every request of the program goes through it so that a book of
// hundreds of pages travels over one kept-alive connection, and so that tests and the demo can point
// real https addresses at a loopback server through a single seam. Requests run one at a time; the
// libcurl details stay in net/ and never leak into this interface.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace novawick::net {

/// The two methods the program uses.
enum class Method { get, post };

/// Header field as sent: name and value, in the order given.
using HeaderField = std::pair<std::string, std::string>;

/// One request. Only the listed headers are added by the program; libcurl adds its own few.
struct Request {
    Method method = Method::get;
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

/// Inactivity limit of the request profiles: no byte in either direction for this long fails.
inline constexpr std::chrono::milliseconds profileInactivityTimeout{60'000};
/// Inactivity limit of requests without a profile; the platform default is the same minute.
inline constexpr std::chrono::milliseconds defaultInactivityTimeout{60'000};
/// Largest decoded body accepted.
inline constexpr std::uint64_t maximumBodyBytes = 256ULL * 1024 * 1024;
/// Most header bytes accepted over all responses of one request, redirects and interim answers included.
inline constexpr std::uint64_t maximumHeaderBytes = 256 * 1024;
/// Most redirects followed for one request.
inline constexpr long maximumRedirects = 20;

// A trickle that sends a byte now and then never trips the inactivity limit, so once an answer has begun
// its average rate is judged too. The floor sits well below any real link (GPRS, the slowest mobile data
// still in use, moves a few kilobytes a second), and the window equals the inactivity limit, so that a
// quiet spell the inactivity limit allows is forgiven when a burst makes up for it.
/// Slowest average accepted over each window once the first byte of an answer has arrived.
inline constexpr std::uint64_t minimumAverageBytesPerSecond = 1024;
/// Length of the window over which that average is taken.
inline constexpr std::chrono::milliseconds averageRateWindow{60'000};
// Even above the floor, a site can hold a request for as long as its body lasts; this bounds it outright.
// Half an hour still brings the largest accepted body (256 MiB) over 150 KB a second (about 1.2 Mbit/s,
// ordinary 3G), and any real page or cover (a few megabytes at most) over GPRS.
/// Longest one request may take in all, from the first connection to the last byte of its last redirect.
inline constexpr std::chrono::milliseconds requestTimeLimit{30 * 60'000};

/// Sends "<host>:<port>" to 127.0.0.1:<loopbackPort> instead of the address the name resolves to.
struct LoopbackRoute {
    std::string host;
    std::uint16_t port = 443;
    std::uint16_t loopbackPort = 0;
};

/// Test seam: reroutes hosts to loopback servers, trusts a test CA, shortens limits. Set from code only.
struct TransportSeam {
    std::vector<LoopbackRoute> routes;
    /// PEM file of the certificate authority to trust instead of the system store; empty keeps it.
    std::string caFile;
    /// Replaces both inactivity limits.
    std::chrono::milliseconds inactivityTimeout = profileInactivityTimeout;
    /// Replaces the body size cap.
    std::uint64_t maximumBodyBytes = net::maximumBodyBytes;
    /// Replaces the average-rate floor.
    std::uint64_t minimumAverageBytesPerSecond = net::minimumAverageBytesPerSecond;
    /// Replaces the window of the average-rate floor.
    std::chrono::milliseconds averageRateWindow = net::averageRateWindow;
    /// Replaces the time limit of a whole request.
    std::chrono::milliseconds requestTimeLimit = net::requestTimeLimit;
};

struct EasyHandle;

/// The shared client: one libcurl handle reused for every request, guarded by a mutex.
class HttpClient {
public:
    /// The process-wide client, created on first use.
    static HttpClient& shared();

    /// Sends a request and waits for the whole body; raises TransportError on any transport failure.
    Response send(const Request& request);

    /// Installs or removes the test seam; open connections are dropped so no request outlives its route.
    void setTransportSeam(std::optional<TransportSeam> seam);

    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

private:
    HttpClient();
    ~HttpClient();

    std::mutex mutex_;
    std::unique_ptr<EasyHandle> handle_;
    std::optional<TransportSeam> seam_;
};

/// Installs or removes the seam on the shared client.
void setTransportSeam(std::optional<TransportSeam> seam);

}  // namespace novawick::net
