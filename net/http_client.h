// The libcurl client, the program's one transport. The program uses a single shared instance, so that a
// book of hundreds of pages travels over one kept-alive connection; tests and the demo make instances of
// their own, whose settings point real https addresses at loopback servers and shorten the limits.
// Requests of one client run one at a time; the libcurl details stay in net/ and never leak into this
// interface.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/transport.h"

namespace novawick::net {

/// Inactivity limit of the request profiles: no byte in either direction for this long fails.
inline constexpr std::chrono::milliseconds kProfileInactivityTimeout{60'000};
/// Inactivity limit of requests without a profile; the platform default is the same minute.
inline constexpr std::chrono::milliseconds kDefaultInactivityTimeout{60'000};
/// Largest decoded body accepted.
inline constexpr std::uint64_t kMaximumBodyBytes = 256ULL * 1024 * 1024;
/// Most header bytes accepted over all responses of one request, redirects and interim answers included.
inline constexpr std::uint64_t maximumHeaderBytes = 256 * 1024;
/// Most redirects followed for one request.
inline constexpr long kMaximumRedirects = 20;

// A trickle that sends a byte now and then never trips the inactivity limit, so once an answer has begun
// its average rate is judged too. The floor sits well below any real link (GPRS, the slowest mobile data
// still in use, moves a few kilobytes a second), and the window equals the inactivity limit, so that a
// quiet spell the inactivity limit allows is forgiven when a burst makes up for it.
/// Slowest average accepted over each window once the first byte of an answer has arrived.
inline constexpr std::uint64_t minimumAverageBytesPerSecond = 1024;
/// Length of the window over which that average is taken.
inline constexpr std::chrono::milliseconds kAverageRateWindow{60'000};
// Even above the floor, a site can hold a request for as long as its body lasts; this bounds it outright.
// Half an hour still brings the largest accepted body (256 MiB) over 150 KB a second (about 1.2 Mbit/s,
// ordinary 3G), and any real page or cover (a few megabytes at most) over GPRS.
/// Longest one request may take in all, from the first connection to the last byte of its last redirect.
inline constexpr std::chrono::milliseconds kRequestTimeLimit{30 * 60'000};

/// Sends "<host>:<port>" to 127.0.0.1:<loopbackPort> instead of the address the name resolves to.
struct LoopbackRoute {
    std::string host;
    std::uint16_t port = 443;
    std::uint16_t loopbackPort = 0;
};

/// What a client is made with. The defaults are the program's; tests and the demo reroute hosts to
/// loopback servers, trust their own authority and shorten the limits.
struct ClientSettings {
    /// Hosts sent to loopback ports instead of the addresses their names resolve to.
    std::vector<LoopbackRoute> routes;
    /// PEM file of the certificate authority to trust instead of the system store; empty keeps it.
    std::string caFile;
    /// Replaces the inactivity limit of every request; absent keeps each request's own.
    std::optional<std::chrono::milliseconds> inactivityTimeout;
    /// Largest decoded body accepted.
    std::uint64_t maximumBodyBytes = net::kMaximumBodyBytes;
    /// Slowest average accepted over each window once an answer has begun.
    std::uint64_t minimumAverageBytesPerSecond = net::minimumAverageBytesPerSecond;
    /// Length of the window of that average.
    std::chrono::milliseconds averageRateWindow = net::kAverageRateWindow;
    /// Longest one request may take in all.
    std::chrono::milliseconds requestTimeLimit = net::kRequestTimeLimit;
};

struct EasyHandle;

/// A libcurl client: one handle reused for every request, guarded by a mutex, so that its connections,
/// TLS sessions and name lookups are kept from one request to the next.
class HttpClient final : public Transport {
public:
    /// The program's client, with the default settings, created on first use.
    static HttpClient& shared();

    /// A client of its own, with its own connections; they close when it goes.
    explicit HttpClient(ClientSettings settings = {});
    ~HttpClient() override;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    Response send(const Request& request) override;

    /// The settings it was made with.
    const ClientSettings& settings() const noexcept { return settings_; }

private:
    const ClientSettings settings_;
    std::mutex mutex_;
    std::unique_ptr<EasyHandle> handle_;
};

}  // namespace novawick::net
