// A client is one easy handle reused under a mutex. Reusing the handle keeps libcurl's connection cache,
// TLS sessions and DNS cache across requests, which is what lets a whole book travel over one kept-alive
// connection; the mutex makes a client's requests strictly one at a time.
#include "net/http_client.h"

#include "net/transfer.h"

namespace novawick::net {
namespace {

// libcurl's process-wide state: started before the first handle of any client, ended after the last.
// A function-local static starts it race-free, and since the first client's constructor finishes it,
// it outlives every client of static lifetime, the shared one included.
class LibcurlGlobalState {
public:
    LibcurlGlobalState() {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            throw TransportError(TransportFailure::OtherFailure, "(start-up)", "libcurl failed to start");
        }
    }
    ~LibcurlGlobalState() { curl_global_cleanup(); }
    LibcurlGlobalState(const LibcurlGlobalState&) = delete;
    LibcurlGlobalState& operator=(const LibcurlGlobalState&) = delete;
};

void startLibcurl() {
    static const LibcurlGlobalState state;
}

}  // namespace

HttpClient& HttpClient::shared() {
    static HttpClient client;
    return client;
}

HttpClient::HttpClient(ClientSettings settings) : settings_(std::move(settings)) {
    startLibcurl();
    handle_ = std::make_unique<EasyHandle>();
}

HttpClient::~HttpClient() = default;

Response HttpClient::send(const Request& request) {
    validateRequest(request);
    std::lock_guard lock(mutex_);
    CURL* curl = handle_->curl;
    // Back to defaults, keeping open connections: no option of the previous request carries over.
    curl_easy_reset(curl);
    Transfer transfer(limitsFor(request, settings_), curl);
    const TransferLists lists = buildLists(request, settings_);
    configureTransfer(curl, request, settings_, lists, transfer);

    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) throw transferError(code, request, transfer);
    requireCompleteBody(request, transfer);

    Response response;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    const char* effectiveUrl = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effectiveUrl) == CURLE_OK && effectiveUrl) {
        response.effectiveUrl = effectiveUrl;
    }
    releaseSpareCapacity(transfer.body);
    response.body = std::move(transfer.body);
    return response;
}

}  // namespace novawick::net
