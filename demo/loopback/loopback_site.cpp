// LoopbackSite over cpp-httplib's SSLServer. Handlers live in our own table behind one catch-all
// route, so tests may add pages while the server runs. Accepted connections are counted through the
// server's task queue, which receives exactly one task per accepted socket.
#include "demo/loopback/loopback_site.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace novawick::loopback {

namespace {

// Each kept-alive connection holds a worker until it closes; a client probing many host names keeps
// several open at once (libcurl caches a few), so a handful of workers would make it wait for timeouts.
constexpr std::size_t kWorkerThreads = 16;

// Counts each accepted connection on its way to the worker threads.
class CountingTaskQueue : public httplib::TaskQueue {
public:
    CountingTaskQueue(std::atomic<std::size_t>& counter, std::size_t threads)
        : counter_(counter), pool_(threads) {}
    void enqueue(std::function<void()> task) override {
        ++counter_;
        pool_.enqueue(std::move(task));
    }
    void shutdown() override { pool_.shutdown(); }

private:
    std::atomic<std::size_t>& counter_;
    httplib::ThreadPool pool_;
};

bool equalsIgnoringCase(std::string_view left, std::string_view right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

std::string SiteRequest::header(std::string_view name) const {
    for (const auto& [field, value] : headers) {
        if (equalsIgnoringCase(field, name)) return value;
    }
    return {};
}

struct LoopbackSite::Server {
    explicit Server(std::vector<std::string> hostNames)
        : certificates(std::move(hostNames)),
          http(certificates.certificateFile().c_str(), certificates.keyFile().c_str()) {}

    CertificateKit certificates;
    httplib::SSLServer http;
    std::thread thread;
    int port = 0;
    std::atomic<std::size_t> connections{0};
    std::atomic<std::size_t> requests{0};
    std::mutex mutex;
    std::map<std::pair<std::string, std::string>, SiteHandler> handlers;  // (method, path)

    void dispatch(const httplib::Request& request, httplib::Response& response) {
        ++requests;
        SiteRequest siteRequest{request.method, request.path, request.target, {}, request.body};
        for (const auto& [name, value] : request.headers) siteRequest.headers.emplace_back(name, value);
        SiteHandler handler;
        {
            std::lock_guard lock(mutex);
            if (auto found = handlers.find({request.method, request.path}); found != handlers.end())
                handler = found->second;
        }
        SiteResponse siteResponse;
        if (handler) {
            handler(siteRequest, siteResponse);
        } else {
            siteResponse.status = 404;
            siteResponse.body = "not found";
        }
        response.status = siteResponse.status;
        for (const auto& [name, value] : siteResponse.headers) response.set_header(name, value);
        response.set_content(siteResponse.body, siteResponse.contentType);
    }
};

LoopbackSite::LoopbackSite(std::vector<std::string> hostNames)
    : server_(std::make_unique<Server>(std::move(hostNames))) {
    Server& server = *server_;
    if (!server.http.is_valid()) throw std::runtime_error("loopback site: TLS set-up failed");
    server.http.new_task_queue = [&server] { return new CountingTaskQueue(server.connections, kWorkerThreads); };
    // A whole book must fit on one connection, and an idle client should not hold shutdown for long.
    server.http.set_keep_alive_max_count(100000);
    server.http.set_keep_alive_timeout(5);
    server.http.set_tcp_nodelay(true);
    auto dispatch = [&server](const httplib::Request& request, httplib::Response& response) {
        server.dispatch(request, response);
    };
    server.http.Get(".*", dispatch);
    server.http.Post(".*", dispatch);
    server.port = server.http.bind_to_any_port("127.0.0.1");
    if (server.port <= 0) throw std::runtime_error("loopback site: cannot listen on 127.0.0.1");
    // Made before the server thread starts, so that a failure here leaves no thread running.
    client_ = std::make_unique<net::HttpClient>(clientSettings());
    server.thread = std::thread([&server] { server.http.listen_after_bind(); });
    // stop() is a no-op until the accept loop runs, so destruction must not race ahead of it.
    while (!server.http.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackSite::~LoopbackSite() {
    // The client's connections close first, so that no worker waits on an idle one.
    client_.reset();
    server_->http.stop();
    server_->thread.join();
}

void LoopbackSite::get(std::string path, SiteHandler handler) {
    std::lock_guard lock(server_->mutex);
    server_->handlers.insert_or_assign({"GET", std::move(path)}, std::move(handler));
}

void LoopbackSite::post(std::string path, SiteHandler handler) {
    std::lock_guard lock(server_->mutex);
    server_->handlers.insert_or_assign({"POST", std::move(path)}, std::move(handler));
}

void LoopbackSite::serve(std::string path, std::string body, std::string contentType) {
    get(std::move(path), [body = std::move(body), contentType = std::move(contentType)](
                             const SiteRequest&, SiteResponse& response) {
        response.body = body;
        response.contentType = contentType;
    });
}

std::uint16_t LoopbackSite::port() const {
    return static_cast<std::uint16_t>(server_->port);
}

std::string LoopbackSite::url(std::string_view path) const {
    const auto& hosts = server_->certificates.hostNames();
    return "https://" + (hosts.empty() ? std::string("localhost") : hosts.front()) + std::string(path);
}

const CertificateKit& LoopbackSite::certificates() const {
    return server_->certificates;
}

net::ClientSettings LoopbackSite::clientSettings() const {
    net::ClientSettings settings;
    for (const std::string& host : server_->certificates.hostNames())
        settings.routes.push_back({host, 443, port()});
    settings.caFile = server_->certificates.caFile().string();
    return settings;
}

net::HttpClient& LoopbackSite::client() const {
    return *client_;
}

std::size_t LoopbackSite::connectionsAccepted() const {
    return server_->connections.load();
}

std::size_t LoopbackSite::requestsServed() const {
    return server_->requests.load();
}

}  // namespace novawick::loopback
