// Throw-away TLS identities for loopback servers: a test certificate authority and one server
// certificate for the given host names (and 127.0.0.1, localhost), made at run time so no key is
// committed and nothing expires in the tree. EC P-256 keeps generation in the milliseconds.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace novawick::loopback {

/// A CA and a server certificate as PEM files in a private temporary folder, removed on destruction.
class CertificateKit {
public:
    explicit CertificateKit(std::vector<std::string> hostNames);
    ~CertificateKit();
    CertificateKit(const CertificateKit&) = delete;
    CertificateKit& operator=(const CertificateKit&) = delete;

    /// The authority's certificate: what a client must trust.
    std::filesystem::path caFile() const { return folder_ / "ca.pem"; }
    /// The server's certificate, signed by the authority.
    std::filesystem::path certificateFile() const { return folder_ / "server.pem"; }
    /// The server's private key.
    std::filesystem::path keyFile() const { return folder_ / "server-key.pem"; }
    /// The names the server certificate covers, besides 127.0.0.1 and localhost.
    const std::vector<std::string>& hostNames() const { return hostNames_; }

private:
    std::vector<std::string> hostNames_;
    std::filesystem::path folder_;
};

}  // namespace novawick::loopback
