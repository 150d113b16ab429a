// The libcurl side of a request. All options are set in configureTransfer, each with the reason for
// its value, so the client's behaviour can be read in one place. The callbacks enforce what libcurl
// cannot express exactly: a body cap on the decoded bytes, a cap on header bytes, an inactivity limit
// in milliseconds, an average-rate floor, a time limit per request, and no step from https down to http.
#include "net/transfer.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <string_view>

#include "net/url_syntax.h"

namespace novawick::net {

namespace {

using Clock = std::chrono::steady_clock;

// Fails loudly when libcurl refuses an option: a silently ignored limit would be worse than no request.
template <typename Value>
void setOption(CURL* curl, CURLoption option, Value value) {
    const CURLcode code = curl_easy_setopt(curl, option, value);
    if (code != CURLE_OK) {
        throw TransportError(TransportFailure::OtherFailure, "(configuration)",
                             std::string("libcurl refused an option: ") + curl_easy_strerror(code));
    }
}

void append(Slist& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) throw std::bad_alloc();
    (void)list.release();  // `grown` is the same list, now one entry longer
    list.reset(grown);
}

bool isTokenCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7f) return false;
    return std::string_view("()<>@,;:\\\"/[]?={}").find(c) == std::string_view::npos;
}

bool hasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool isHttps(std::string_view scheme) {
    constexpr std::string_view kHttps = "https";
    return std::equal(scheme.begin(), scheme.end(), kHttps.begin(), kHttps.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// The value of a header line when its name is `name` (lower case, with the colon), without the line end.
std::optional<std::string_view> headerValue(std::string_view line, std::string_view name) {
    if (line.size() < name.size() ||
        !std::equal(name.begin(), name.end(), line.begin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); })) {
        return std::nullopt;
    }
    std::string_view value = line.substr(name.size());
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.remove_suffix(1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    return value;
}

size_t receiveBody(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    transfer.lastActivity = Clock::now();
    transfer.bodyBytes += bytes;
    transfer.bodyStarted = true;
    if (!transfer.decoder) transfer.decoder = ContentDecoder::forCoding(transfer.contentEncoding);
    // The cap is on decoded bytes and holds within each decoding step, so a few compressed bytes
    // cannot inflate past it.
    switch (transfer.decoder->decode(std::string_view(data, bytes), transfer.body,
                                     transfer.limits.maximumBodyBytes)) {
        case DecodeStatus::Ok: return bytes;
        case DecodeStatus::Corrupt: transfer.corruptCoding = true; return 0;
        case DecodeStatus::TooLarge: transfer.bodyTooLarge = true; return 0;
    }
    return 0;
}

size_t receiveHeader(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    const auto now = Clock::now();
    transfer.lastActivity = now;
    if (!transfer.windowStart) transfer.windowStart = now;
    // libcurl keeps the header lines of every response of a transfer (redirect hops, interim answers)
    // for its header API; this bounds them all together, below libcurl's own limit for one response,
    // so that the failure can be named.
    transfer.headerBytes += bytes;
    if (transfer.headerBytes > maximumHeaderBytes) {
        transfer.headerTooLarge = true;
        return 0;
    }
    const std::string_view line(data, bytes);
    // A new status line starts a new response (redirect hop or interim answer): only the last body counts.
    if (line.starts_with("HTTP/")) {
        transfer.body.clear();
        transfer.contentEncoding.clear();
        transfer.decoder.reset();
        transfer.location.clear();
        transfer.bodyStarted = false;
    }
    if (const auto value = headerValue(line, "content-encoding:")) transfer.contentEncoding = *value;
    if (const auto value = headerValue(line, "location:")) transfer.location = *value;
    return bytes;
}

// Runs before each request goes out, the first and every redirect hop, on a new or reused connection.
int checkHop(void* user, char*, char*, int, int) {
    auto& transfer = *static_cast<Transfer*>(user);
    const char* scheme = nullptr;
    if (curl_easy_getinfo(transfer.curl, CURLINFO_SCHEME, &scheme) != CURLE_OK || scheme == nullptr) {
        return CURL_PREREQFUNC_ABORT;
    }
    if (isHttps(scheme)) {
        transfer.secureHopSeen = true;
    } else if (transfer.secureHopSeen) {
        transfer.insecureRedirect = true;
        return CURL_PREREQFUNC_ABORT;
    }
    return CURL_PREREQFUNC_OK;
}

int watchActivity(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
    auto& transfer = *static_cast<Transfer*>(user);
    const auto now = Clock::now();
    if (now - transfer.started >= transfer.limits.requestTimeLimit) {
        transfer.overTimeLimit = true;
        return 1;
    }
    // Windows follow each other from the answer's first byte; each must bring its share of bytes.
    const std::uint64_t received = transfer.headerBytes + transfer.bodyBytes;
    if (transfer.windowStart && now - *transfer.windowStart >= transfer.limits.averageRateWindow) {
        const auto windowMilliseconds = static_cast<std::uint64_t>(transfer.limits.averageRateWindow.count());
        if ((received - transfer.windowStartBytes) * 1000 <
            transfer.limits.minimumAverageBytesPerSecond * windowMilliseconds) {
            transfer.tooSlow = true;
            return 1;
        }
        transfer.windowStart = now;
        transfer.windowStartBytes = received;
    }
    const curl_off_t moved = downloaded + uploaded;
    if (moved != transfer.lastBytesMoved) {
        transfer.lastBytesMoved = moved;
        transfer.lastActivity = now;
        return 0;
    }
    if (now - transfer.lastActivity >= transfer.limits.inactivityTimeout) {
        transfer.inactive = true;
        return 1;
    }
    return 0;
}

// libcurl refuses a header line longer than its own limit with an out-of-memory code (a code of its
// own from 8.6 on); before the body of a response has begun, it means the head was too large.
bool isOversizedHead(CURLcode code, const Transfer& transfer) {
    if (transfer.headerTooLarge) return true;
#if LIBCURL_VERSION_NUM >= 0x080600
    if (code == CURLE_TOO_LARGE) return !transfer.bodyStarted;
#endif
    return code == CURLE_OUT_OF_MEMORY && !transfer.bodyStarted;
}

// The watchdog stopped the request at its time limit, or libcurl's backstop for it did.
bool isPastTimeLimit(CURLcode code, const Transfer& transfer) {
    return transfer.overTimeLimit ||
           (code == CURLE_OPERATION_TIMEDOUT && Clock::now() - transfer.started >= transfer.limits.requestTimeLimit);
}

// The hop refused by checkHop, or one refused by libcurl's protocol list because its Location left an
// https hop for http.
bool isInsecureRedirect(CURLcode code, const Transfer& transfer) {
    if (transfer.insecureRedirect) return true;
    if (code != CURLE_UNSUPPORTED_PROTOCOL || !transfer.secureHopSeen) return false;
    const auto scheme = urlScheme(transfer.location);
    return scheme && *scheme == "http";
}

TransportFailure failureOf(CURLcode code, const Transfer& transfer) {
    if (transfer.bodyTooLarge) return TransportFailure::BodyTooLarge;
    if (transfer.corruptCoding) return TransportFailure::ContentDecodingFailure;
    if (isOversizedHead(code, transfer)) return TransportFailure::ReceiveFailure;
    if (isInsecureRedirect(code, transfer)) return TransportFailure::UnsupportedProtocol;
    if (transfer.inactive || transfer.tooSlow || isPastTimeLimit(code, transfer)) return TransportFailure::TimedOut;
    switch (code) {
        case CURLE_UNSUPPORTED_PROTOCOL: return TransportFailure::UnsupportedProtocol;
        case CURLE_URL_MALFORMAT: return TransportFailure::MalformedAddress;
        case CURLE_COULDNT_RESOLVE_HOST: return TransportFailure::CouldNotResolveHost;
        case CURLE_COULDNT_CONNECT: return TransportFailure::CouldNotConnect;
        case CURLE_OPERATION_TIMEDOUT: return TransportFailure::TimedOut;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER: return TransportFailure::TlsFailure;
        case CURLE_TOO_MANY_REDIRECTS: return TransportFailure::TooManyRedirects;
        case CURLE_FILESIZE_EXCEEDED: return TransportFailure::BodyTooLarge;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM: return TransportFailure::ReceiveFailure;
        case CURLE_BAD_CONTENT_ENCODING: return TransportFailure::ContentDecodingFailure;
        default: return TransportFailure::OtherFailure;  // libcurl's own enum, with ~100 codes
    }
}

}  // namespace

EasyHandle::EasyHandle() : curl(curl_easy_init()) {
    if (curl == nullptr) throw std::bad_alloc();
}

EasyHandle::~EasyHandle() {
    curl_easy_cleanup(curl);
}

TransferLimits limitsFor(const Request& request, const ClientSettings& settings) {
    const std::chrono::milliseconds ownInactivityTimeout =
        request.applyProfileTimeout ? kProfileInactivityTimeout : kDefaultInactivityTimeout;
    return {settings.inactivityTimeout.value_or(ownInactivityTimeout), settings.maximumBodyBytes,
            settings.minimumAverageBytesPerSecond, settings.averageRateWindow, settings.requestTimeLimit};
}

Transfer::Transfer(TransferLimits transferLimits, CURL* handle)
    : limits(transferLimits), curl(handle), started(Clock::now()), lastActivity(started) {}

void validateRequest(const Request& request) {
    auto refuse = [&](std::string cause) {
        throw TransportError(TransportFailure::InvalidRequest, request.url, std::move(cause));
    };
    if (hasLineBreakOrNul(request.url)) refuse("address holds a line break or NUL");
    for (const auto& [name, value] : request.headers) {
        if (name.empty() || !std::all_of(name.begin(), name.end(), isTokenCharacter)) {
            refuse("header name is not a token: \"" + name + "\"");
        }
        if (hasLineBreakOrNul(value)) refuse("value of header " + name + " holds a line break or NUL");
    }
    switch (request.method) {
        case Method::Get:
            if (request.body) refuse("a GET carries no body");
            break;
        case Method::Post: break;
    }
}

TransferLists buildLists(const Request& request, const ClientSettings& settings) {
    TransferLists lists;
    for (const auto& [name, value] : request.headers) {
        // "Name;" is libcurl's way to send a header with an empty value; "Name:" would remove it.
        append(lists.headers, value.empty() ? name + ";" : name + ": " + value);
    }
    switch (request.method) {
        case Method::Get: break;
        case Method::Post: append(lists.headers, "Expect:"); break;  // removes libcurl's own
    }
    for (const LoopbackRoute& route : settings.routes) {
        append(lists.connectTo, route.host + ":" + std::to_string(route.port) + ":127.0.0.1:" +
                                    std::to_string(route.loopbackPort));
    }
    return lists;
}

void configureTransfer(CURL* curl, const Request& request, const ClientSettings& settings,
                       const TransferLists& lists, Transfer& transfer) {
    const auto timeoutMilliseconds = static_cast<long>(transfer.limits.inactivityTimeout.count());
    // The address exactly as given: site addresses are built by text concatenation and must not be
    // normalised on the way out.
    setOption(curl, CURLOPT_URL, request.url.c_str());
    // libcurl's own words for a failure, quoted in TransportError.
    setOption(curl, CURLOPT_ERRORBUFFER, transfer.errorBuffer);
    // No SIGALRM-based timeouts: the process may have other threads, and signals would hit them.
    setOption(curl, CURLOPT_NOSIGNAL, 1L);
    // Only web addresses are ever fetched; a page or redirect must not reach file://, ftp:// and the like.
    setOption(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A request made over https never follows a redirect to plain http, where the page could be read or
    // changed on the way and a 307 would re-post the search term in the clear; refused here, the hop is
    // not even connected. An http address (a cover) may move up to https.
    const bool secureStart = urlScheme(request.url) == "https";
    setOption(curl, CURLOPT_REDIR_PROTOCOLS_STR, secureStart ? "https" : "http,https");
    // ...and a chain that started on http, went up to https and comes back down is stopped before the
    // plain hop's request is sent: checkHop sees the scheme of every hop.
    setOption(curl, CURLOPT_PREREQFUNCTION, &checkHop);
    setOption(curl, CURLOPT_PREREQDATA, static_cast<void*>(&transfer));
    // Redirects are followed like a browser does (a POST answered by 301/302/303 continues as GET),
    // up to a bound so that a loop ends in an error rather than spinning.
    setOption(curl, CURLOPT_FOLLOWLOCATION, 1L);
    setOption(curl, CURLOPT_MAXREDIRS, kMaximumRedirects);
    // Credentials (a user name and password in the address, an Authorization or Cookie field) go only
    // to the host they were given for, never on to the host, port or scheme a redirect names. libcurl's
    // default, stated because a redirect must never hand them to a stranger.
    setOption(curl, CURLOPT_UNRESTRICTED_AUTH, 0L);
    // HTTP/2 where the server offers it through ALPN, HTTP/1.1 otherwise; both keep the connection.
    setOption(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
    // The codings the client accepts. libcurl sends this as its own Accept-Encoding unless the request
    // carries one, in which case the caller's goes out alone.
    setOption(curl, CURLOPT_ACCEPT_ENCODING, "gzip, deflate, br");
    // ...but the body arrives still coded: receiveBody undoes the coding itself, because libcurl takes a
    // stream cut short before its end marker for a complete, shorter body.
    setOption(curl, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    // Exactly the caller's fields in the caller's order (plus "Expect:" on a POST, which only suppresses
    // libcurl's 100-continue wait). An empty list leaves only libcurl's Host and Accept.
    setOption(curl, CURLOPT_HTTPHEADER, lists.headers.get());
    switch (request.method) {
        case Method::Get:
            // Undoes a POST left on the reused handle.
            setOption(curl, CURLOPT_HTTPGET, 1L);
            break;
        case Method::Post: {
            // The body is sent from the caller's bytes with a Content-Length; an absent body is empty.
            static const char emptyBody[] = "";
            const std::string* body = request.body ? &*request.body : nullptr;
            setOption(curl, CURLOPT_POST, 1L);
            setOption(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body ? body->size() : 0));
            setOption(curl, CURLOPT_POSTFIELDS, body ? body->data() : emptyBody);
            break;
        }
    }
    // The inactivity limit also bounds connecting (TCP and TLS handshake).
    setOption(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMilliseconds);
    // libcurl's low-speed check (under 1 byte/s) is a backstop for the inactivity limit in whole seconds,
    // one longer than the limit because libcurl's speed figure is refreshed once a second; the progress
    // callback below enforces the exact limit, and the average-rate floor with it.
    setOption(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    setOption(curl, CURLOPT_LOW_SPEED_TIME, (timeoutMilliseconds + 999) / 1000 + 1);
    // The whole request, redirects included, ends at its time limit however steadily it moves; enforced
    // exactly by the progress callback, and by libcurl a second later should the callback not be reached.
    setOption(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(transfer.limits.requestTimeLimit.count()) + 1000L);
    // Called at least once a second even when idle: the watchdog of the time limits and the rate floor.
    setOption(curl, CURLOPT_NOPROGRESS, 0L);
    setOption(curl, CURLOPT_XFERINFOFUNCTION, &watchActivity);
    setOption(curl, CURLOPT_XFERINFODATA, static_cast<void*>(&transfer));
    // The body collects into memory, capped on its decoded size.
    setOption(curl, CURLOPT_WRITEFUNCTION, &receiveBody);
    setOption(curl, CURLOPT_WRITEDATA, static_cast<void*>(&transfer));
    // Header lines count as activity and mark the start of each response in a redirect chain.
    setOption(curl, CURLOPT_HEADERFUNCTION, &receiveHeader);
    setOption(curl, CURLOPT_HEADERDATA, static_cast<void*>(&transfer));
    // Refuses an announced Content-Length over the cap before any body byte is read.
    setOption(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(transfer.limits.maximumBodyBytes));
    // Certificates are always verified; a test or demo client trusts its own authority instead of
    // switching this off.
    setOption(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    setOption(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    // A loopback route connects a real host name to a loopback port, so TLS still checks that name; the
    // program's own client has none.
    if (lists.connectTo) setOption(curl, CURLOPT_CONNECT_TO, lists.connectTo.get());
    if (!settings.caFile.empty()) setOption(curl, CURLOPT_CAINFO, settings.caFile.c_str());
}

void requireCompleteBody(const Request& request, const Transfer& transfer) {
    if (transfer.decoder && !transfer.decoder->complete()) {
        throw TransportError(TransportFailure::ContentDecodingFailure, request.url,
                             "the body ends before its " + transfer.contentEncoding + " stream does");
    }
}

TransportError transferError(CURLcode code, const Request& request, const Transfer& transfer) {
    const TransportFailure failure = failureOf(code, transfer);
    std::string cause;
    if (transfer.bodyTooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        cause = bodyTooLargeCause(transfer.limits.maximumBodyBytes);
    } else if (transfer.corruptCoding) {
        cause = "the body's " + transfer.contentEncoding + " coding is corrupt";
    } else if (isOversizedHead(code, transfer)) {
        cause = kResponseHeaderTooLargeCause;
    } else if (isInsecureRedirect(code, transfer)) {
        cause = insecureRedirectCause(transfer.location);
    } else if (isPastTimeLimit(code, transfer)) {
        cause = requestTimeLimitCause(transfer.limits.requestTimeLimit.count());
    } else if (transfer.tooSlow) {
        cause = tooSlowCause(transfer.limits.minimumAverageBytesPerSecond, transfer.limits.averageRateWindow.count());
    } else if (transfer.inactive) {
        cause = inactivityCause(transfer.limits.inactivityTimeout.count());
    } else if (transfer.errorBuffer[0] != '\0') {
        cause = transfer.errorBuffer;
    } else {
        cause = curl_easy_strerror(code);
    }
    return TransportError(failure, request.url, std::move(cause));
}

}  // namespace novawick::net
