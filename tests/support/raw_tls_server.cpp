// The raw server keeps its HTTP handling deliberately literal: it splits the head into lines and
// fields without normalising anything, reads exactly Content-Length body bytes, and writes responses
// byte by byte as scripted. Every blocking call is woken on shutdown (sockets are shut down, pauses
// wait on a condition variable), so destruction never waits for a stalled script or an idle client.
#include "tests/support/raw_tls_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace novawick::testing {

namespace {

constexpr std::size_t kMaximumHeadBytes = 1 << 20;
constexpr std::size_t kMaximumRequestBodyBytes = 64 << 20;

bool equalsIgnoringCase(std::string_view left, std::string_view right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    });
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string_view reasonPhrase(int status) {
    switch (status) {
        case 200: return "OK";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 303: return "See Other";
        case 307: return "Temporary Redirect";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        default: return "Status";
    }
}

void parseHead(std::string_view head, RecordedRequest& request) {
    std::size_t lineEnd = head.find("\r\n");
    const std::string_view requestLine = head.substr(0, lineEnd);
    const std::size_t firstSpace = requestLine.find(' ');
    const std::size_t secondSpace =
        requestLine.find(' ', firstSpace == std::string_view::npos ? firstSpace : firstSpace + 1);
    request.method = std::string(requestLine.substr(0, firstSpace));
    if (firstSpace != std::string_view::npos) {
        request.target = std::string(requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1));
        if (secondSpace != std::string_view::npos)
            request.version = std::string(requestLine.substr(secondSpace + 1));
    }
    while (lineEnd != std::string_view::npos) {
        const std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string_view line =
            head.substr(start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        request.headers.emplace_back(std::string(line.substr(0, colon)),
                                     std::string(trimBlanks(line.substr(colon + 1))));
    }
}

// One accepted connection: through TLS, or straight on the socket when the server is plain.
struct Channel {
    SSL* ssl;
    int socket;
};

bool readMore(const Channel& channel, std::string& buffer) {
    char chunk[16384];
    const long received = channel.ssl ? SSL_read(channel.ssl, chunk, sizeof chunk)
                                      : recv(channel.socket, chunk, sizeof chunk, 0);
    if (received <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(received));
    return true;
}

// Reads one request from the connection; `buffer` carries bytes that arrived past it.
std::optional<RecordedRequest> readRequest(const Channel& channel, std::string& buffer) {
    std::size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (buffer.size() > kMaximumHeadBytes || !readMore(channel, buffer)) return std::nullopt;
    }
    RecordedRequest request;
    parseHead(std::string_view(buffer).substr(0, headEnd), request);
    std::size_t length = 0;
    if (const auto declared = request.header("Content-Length")) {
        try {
            length = std::stoul(*declared);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    if (length > kMaximumRequestBodyBytes) return std::nullopt;
    const std::size_t total = headEnd + 4 + length;
    while (buffer.size() < total) {
        if (!readMore(channel, buffer)) return std::nullopt;
    }
    request.raw = buffer.substr(0, total);
    request.body = buffer.substr(headEnd + 4, length);
    buffer.erase(0, total);
    return request;
}

bool writeAll(const Channel& channel, std::string_view bytes) {
    if (bytes.empty()) return true;
    if (channel.ssl) {
        return SSL_write(channel.ssl, bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
    }
    while (!bytes.empty()) {
        const ssize_t sent = send(channel.socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string headFor(const ScriptedResponse& response, std::size_t encodedSize) {
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       std::string(reasonPhrase(response.status)) + "\r\n";
    for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
    if (response.coding != ContentCoding::Identity) {
        head += "Content-Encoding: " + std::string(codingToken(response.coding)) + "\r\n";
    }
    switch (response.framing) {
        case BodyFraming::ContentLength:
            head += "Content-Length: " + std::to_string(encodedSize) + "\r\n";
            break;
        case BodyFraming::Chunked: head += "Transfer-Encoding: chunked\r\n"; break;
        case BodyFraming::CloseDelimited: head += "Connection: close\r\n"; break;
    }
    return head + "\r\n";
}

std::string hexadecimal(std::size_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

// What happens to the connection after a scripted answer.
enum class Outcome { KeepAlive, CloseCleanly, HangUp };

// Writes a scripted answer; `pause` returns false once the server is stopping.
template <typename Pause>
Outcome respond(const Channel& channel, const ScriptedResponse& response, Pause pause) {
    if (!pause(response.stallBeforeHeaders)) return Outcome::HangUp;
    const std::string encoded = encodeBody(response.coding, response.body);
    if (!writeAll(channel, headFor(response, encoded.size()))) return Outcome::HangUp;
    if (!pause(response.stallAfterHeaders)) return Outcome::HangUp;

    const std::size_t pieceSize =
        response.dripBytes == 0 ? std::max<std::size_t>(encoded.size(), 1) : response.dripBytes;
    const std::size_t hangUpAt = response.hangUpAfterBodyBytes.value_or(encoded.size() + 1);
    for (std::size_t offset = 0; offset < encoded.size(); offset += pieceSize) {
        if (response.dripBytes != 0 && !pause(response.dripInterval)) return Outcome::HangUp;
        std::string_view piece = std::string_view(encoded).substr(offset, pieceSize);
        const bool hangingUp = offset + piece.size() >= hangUpAt;
        if (hangingUp) piece = piece.substr(0, hangUpAt - offset);
        std::string framed;
        switch (response.framing) {
            case BodyFraming::ContentLength:
            case BodyFraming::CloseDelimited: framed = std::string(piece); break;
            case BodyFraming::Chunked:
                framed = hexadecimal(piece.size()) + "\r\n" + std::string(piece) + (hangingUp ? "" : "\r\n");
                break;
        }
        if (!writeAll(channel, framed) || hangingUp) return Outcome::HangUp;
    }
    switch (response.framing) {
        case BodyFraming::ContentLength: return Outcome::KeepAlive;
        case BodyFraming::Chunked: return writeAll(channel, "0\r\n\r\n") ? Outcome::KeepAlive : Outcome::HangUp;
        case BodyFraming::CloseDelimited: return Outcome::CloseCleanly;
    }
    return Outcome::HangUp;
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    for (const auto& [field, value] : headers) {
        if (equalsIgnoringCase(field, name)) return value;
    }
    return std::nullopt;
}

std::size_t RecordedRequest::headerCount(std::string_view name) const {
    return static_cast<std::size_t>(std::count_if(headers.begin(), headers.end(), [&](const auto& field) {
        return equalsIgnoringCase(field.first, name);
    }));
}

ScriptedResponse ScriptedResponse::text(int status, std::string body) {
    ScriptedResponse response;
    response.status = status;
    response.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    response.body = std::move(body);
    return response;
}

ScriptedResponse ScriptedResponse::redirect(int status, std::string location) {
    ScriptedResponse response;
    response.status = status;
    response.headers = {{"Location", std::move(location)}};
    return response;
}

struct RawTlsServer::Tls {
    explicit Tls(const loopback::CertificateKit& certificates) : context(SSL_CTX_new(TLS_server_method())) {
        if (context == nullptr ||
            SSL_CTX_use_certificate_chain_file(context, certificates.certificateFile().c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(context, certificates.keyFile().c_str(), SSL_FILETYPE_PEM) != 1) {
            SSL_CTX_free(context);
            throw std::runtime_error("raw TLS server: cannot load the certificate");
        }
    }
    ~Tls() { SSL_CTX_free(context); }
    SSL_CTX* context;
};

RawTlsServer::RawTlsServer(std::vector<std::string> hostNames, ServerTransport transport)
    : certificates_(std::move(hostNames)),
      tls_(transport == ServerTransport::Tls ? std::make_unique<Tls>(certificates_) : nullptr) {
    // A client hanging up mid-response must fail a write, not kill the test process.
    std::signal(SIGPIPE, SIG_IGN);
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 64) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener_ >= 0) close(listener_);
        throw std::runtime_error("raw TLS server: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    // Made before the acceptor starts, so that a failure here leaves no thread running.
    try {
        client_ = std::make_unique<net::HttpClient>(clientSettings());
    } catch (...) {
        close(listener_);
        throw;
    }
    acceptor_ = std::thread(&RawTlsServer::acceptLoop, this);
}

RawTlsServer::~RawTlsServer() {
    client_.reset();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int socket : openSockets_) shutdown(socket, SHUT_RDWR);
    }
    stopped_.notify_all();
    shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    close(listener_);
    for (std::thread& thread : connectionThreads_) thread.join();
}

std::string RawTlsServer::url(std::string_view path) const {
    const auto& hosts = certificates_.hostNames();
    return (tls_ ? "https://" : "http://") + (hosts.empty() ? std::string("localhost") : hosts.front()) +
           std::string(path);
}

void RawTlsServer::route(std::string target, ScriptedResponse response) {
    std::lock_guard lock(mutex_);
    routes_.insert_or_assign(std::move(target), std::move(response));
}

void RawTlsServer::setResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

net::ClientSettings RawTlsServer::clientSettings() const {
    net::ClientSettings settings;
    const std::uint16_t servedPort = tls_ ? 443 : 80;
    for (const std::string& host : certificates_.hostNames()) settings.routes.push_back({host, servedPort, port_});
    settings.caFile = certificates_.caFile().string();
    return settings;
}

std::vector<RecordedRequest> RawTlsServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t RawTlsServer::connectionsAccepted() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

void RawTlsServer::acceptLoop() {
    for (;;) {
        const int socket = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        std::lock_guard lock(mutex_);
        if (stopping_) {
            close(socket);
            return;
        }
        // Head and body go out in separate writes; without this, Nagle and delayed ACKs add 40 ms each.
        const int noDelay = 1;
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        openSockets_.push_back(socket);
        connectionThreads_.emplace_back(&RawTlsServer::serveConnection, this, socket, ++connections_);
    }
}

bool RawTlsServer::pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return !stopped_.wait_for(lock, duration, [this] { return stopping_; });
}

ScriptedResponse RawTlsServer::answerFor(const RecordedRequest& request) {
    Responder responder;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (const auto found = routes_.find(request.target); found != routes_.end()) return found->second;
        responder = responder_;
    }
    return responder ? responder(request) : ScriptedResponse::text(404, "not found");
}

void RawTlsServer::serveConnection(int socket, std::size_t connection) {
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(tls_ ? SSL_new(tls_->context) : nullptr, &SSL_free);
    Outcome outcome = Outcome::HangUp;
    const bool ready = tls_ ? ssl && SSL_set_fd(ssl.get(), socket) == 1 && SSL_accept(ssl.get()) == 1 : true;
    if (ready) {
        const Channel channel{ssl.get(), socket};
        std::string buffer;
        auto pauseUnlessStopping = [this](std::chrono::milliseconds duration) { return pause(duration); };
        for (;;) {
            std::optional<RecordedRequest> request = readRequest(channel, buffer);
            if (!request) break;
            request->connection = connection;
            outcome = respond(channel, answerFor(*request), pauseUnlessStopping);
            if (outcome != Outcome::KeepAlive) break;
        }
    }
    // A clean close tells the client that a close-delimited body is complete.
    if (outcome == Outcome::CloseCleanly && ssl) SSL_shutdown(ssl.get());
    ERR_clear_error();
    {
        std::lock_guard lock(mutex_);
        openSockets_.erase(std::remove(openSockets_.begin(), openSockets_.end(), socket), openSockets_.end());
    }
    close(socket);
}

}  // namespace novawick::testing
