// One libcurl transfer: the state its callbacks fill in, the single function that sets every
// libcurl option, and the translation of libcurl's result into TransportError. Internal to net/;
// nothing outside this folder includes <curl/curl.h>.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/content_decoder.h"
#include "net/errors.h"
#include "net/http_client.h"

namespace novawick::net {

/// Owner of a curl_slist.
struct SlistDeleter {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

/// The reused easy handle; its connection cache is what keeps a book on one connection.
struct EasyHandle {
    EasyHandle();
    ~EasyHandle();
    EasyHandle(const EasyHandle&) = delete;
    EasyHandle& operator=(const EasyHandle&) = delete;
    CURL* curl;
};

/// The limits one transfer runs under.
struct TransferLimits {
    std::chrono::milliseconds inactivityTimeout;
    std::uint64_t maximumBodyBytes;
    std::uint64_t minimumAverageBytesPerSecond;
    std::chrono::milliseconds averageRateWindow;
    std::chrono::milliseconds requestTimeLimit;
};

/// The limits of a request under a client's settings: the request's own inactivity limit unless they replace it.
TransferLimits limitsFor(const Request& request, const ClientSettings& settings);

/// What the callbacks of one transfer share; lives on the stack of HttpClient::send.
struct Transfer {
    Transfer(TransferLimits limits, CURL* curl);

    TransferLimits limits;
    /// The handle performing this transfer, for the callbacks that ask it where a hop goes.
    CURL* curl;
    std::string body;
    /// Content-Encoding of the response being received, and the decoder made for it at its first byte.
    std::string contentEncoding;
    std::unique_ptr<ContentDecoder> decoder;
    /// Location of the response being received; names the target of a refused redirect.
    std::string location;
    /// True once a body byte of the response being received has arrived.
    bool bodyStarted = false;
    /// True once a hop of this transfer went over https; from then on plain http is refused.
    bool secureHopSeen = false;
    bool bodyTooLarge = false;
    bool corruptCoding = false;
    bool headerTooLarge = false;
    bool insecureRedirect = false;
    bool inactive = false;
    bool tooSlow = false;
    bool overTimeLimit = false;
    curl_off_t lastBytesMoved = -1;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastActivity;
    /// Header bytes received so far, over every response of the transfer.
    std::uint64_t headerBytes = 0;
    /// Body bytes received so far, as they came off the wire (still coded).
    std::uint64_t bodyBytes = 0;
    /// Start of the current average-rate window; unset until the first byte of an answer.
    std::optional<std::chrono::steady_clock::time_point> windowStart;
    /// Header and body bytes received when the current window started.
    std::uint64_t windowStartBytes = 0;
    char errorBuffer[CURL_ERROR_SIZE] = {};
};

/// The lists a transfer points libcurl at; they must outlive curl_easy_perform.
struct TransferLists {
    Slist headers;
    Slist connectTo;
};

/// Raises TransportError(invalidRequest) for text that could smuggle extra header lines.
void validateRequest(const Request& request);

/// Builds the header and connect-to lists for a request under a client's settings.
TransferLists buildLists(const Request& request, const ClientSettings& settings);

/// Sets every libcurl option of a transfer on a freshly reset handle.
void configureTransfer(CURL* curl, const Request& request, const ClientSettings& settings,
                       const TransferLists& lists, Transfer& transfer);

/// Raises contentDecodingFailure when the body's coding stream stopped before its end.
void requireCompleteBody(const Request& request, const Transfer& transfer);

/// Turns a failed perform into the error raised to the caller.
TransportError transferError(CURLcode code, const Request& request, const Transfer& transfer);

}  // namespace novawick::net
