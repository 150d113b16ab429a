// The shared client: one easy handle reused under a mutex. Reusing the handle keeps libcurl's
// connection cache, TLS sessions and DNS cache across requests, which is what lets a whole book
// travel over one kept-alive connection; the mutex makes requests strictly one at a time.
#include "net/http_client.h"

#include "net/transfer.h"

namespace novawick::net {

HttpClient& HttpClient::shared() {
    static HttpClient client;
    return client;
}

HttpClient::HttpClient() {
    // Once per process, before the first handle; the function-local static makes this race-free.
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        throw TransportError(TransportFailure::otherFailure, "(start-up)", "libcurl failed to start");
    }
    handle_ = std::make_unique<EasyHandle>();
}

HttpClient::~HttpClient() {
    handle_.reset();
    curl_global_cleanup();
}

Response HttpClient::send(const Request& request) {
    validateRequest(request);
    std::lock_guard lock(mutex_);
    CURL* curl = handle_->curl;
    // Back to defaults, keeping open connections: no option of the previous request carries over.
    curl_easy_reset(curl);
    Transfer transfer(limitsFor(request, seam_), curl);
    const TransferLists lists = buildLists(request, seam_);
    configureTransfer(curl, request, seam_, lists, transfer);

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

void HttpClient::setTransportSeam(std::optional<TransportSeam> seam) {
    std::lock_guard lock(mutex_);
    // A fresh handle forgets connections and TLS sessions made under the previous routes and trust.
    handle_ = std::make_unique<EasyHandle>();
    seam_ = std::move(seam);
}

void setTransportSeam(std::optional<TransportSeam> seam) {
    HttpClient::shared().setTransportSeam(std::move(seam));
}

}  // namespace novawick::net
