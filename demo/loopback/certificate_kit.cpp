// Certificates through OpenSSL's X509 API. The authority carries the extensions strict verifiers
// insist on (critical CA basic constraints, key usage, key identifiers) so that libcurl with
// OpenSSL 3 accepts the chain exactly as it would a public one.
#include "demo/loopback/certificate_kit.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace novawick::loopback {

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const noexcept { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
    void operator()(X509* certificate) const noexcept { X509_free(certificate); }
};
struct BioDeleter {
    void operator()(BIO* bio) const noexcept { BIO_free_all(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Certificate = std::unique_ptr<X509, CertificateDeleter>;

[[noreturn]] void fail(const std::string& what) {
    char reason[256] = {};
    ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
    throw std::runtime_error("certificate kit: " + what + ": " + reason);
}

Key makeKey() {
    Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    if (!key) fail("key generation");
    return key;
}

void addExtension(X509* certificate, X509V3_CTX& context, int nid, const std::string& value) {
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (extension == nullptr) fail("extension " + value);
    const int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    if (added != 1) fail("adding extension " + value);
}

struct Identity {
    Key key;
    Certificate certificate;
};

// Makes a certificate for `subjectKey`; with no issuer it is self-signed (the authority).
Certificate makeCertificate(EVP_PKEY* subjectKey, const std::string& commonName, const Identity* issuer,
                            const std::string& alternativeNames, long serial) {
    Certificate certificate(X509_new());
    if (!certificate) fail("X509_new");
    X509* x = certificate.get();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), serial);
    X509_gmtime_adj(X509_getm_notBefore(x), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x), 7L * 24 * 3600);
    X509_set_pubkey(x, subjectKey);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    X509_set_issuer_name(x, issuer ? X509_get_subject_name(issuer->certificate.get()) : name);

    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer ? issuer->certificate.get() : x, x, nullptr, nullptr, 0);
    const bool authority = issuer == nullptr;
    addExtension(x, context, NID_basic_constraints, authority ? "critical,CA:TRUE" : "critical,CA:FALSE");
    addExtension(x, context, NID_key_usage,
                 authority ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature,keyEncipherment");
    addExtension(x, context, NID_subject_key_identifier, "hash");
    addExtension(x, context, NID_authority_key_identifier, "keyid:always");
    if (!authority) {
        addExtension(x, context, NID_ext_key_usage, "serverAuth");
        addExtension(x, context, NID_subject_alt_name, alternativeNames);
    }
    EVP_PKEY* signingKey = issuer ? issuer->key.get() : subjectKey;
    if (X509_sign(x, signingKey, EVP_sha256()) == 0) fail("signing");
    return certificate;
}

void writeCertificate(const std::filesystem::path& path, X509* certificate) {
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new_file(path.c_str(), "w"));
    if (!bio || PEM_write_bio_X509(bio.get(), certificate) != 1) fail("writing " + path.string());
}

void writeKey(const std::filesystem::path& path, EVP_PKEY* key) {
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new_file(path.c_str(), "w"));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        fail("writing " + path.string());
    }
}

std::filesystem::path makePrivateFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "novawick-tls-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("certificate kit: mkdtemp failed");
    return pattern;
}

}  // namespace

CertificateKit::CertificateKit(std::vector<std::string> hostNames)
    : hostNames_(std::move(hostNames)), folder_(makePrivateFolder()) {
    std::string alternativeNames = "IP:127.0.0.1,DNS:localhost";
    for (const std::string& host : hostNames_) alternativeNames += ",DNS:" + host;

    Identity authority{makeKey(), nullptr};
    authority.certificate = makeCertificate(authority.key.get(), "Novawick Test Authority", nullptr, "", 1);
    Key serverKey = makeKey();
    const std::string commonName = hostNames_.empty() ? "localhost" : hostNames_.front();
    Certificate server = makeCertificate(serverKey.get(), commonName, &authority, alternativeNames, 2);

    writeCertificate(caFile(), authority.certificate.get());
    writeCertificate(certificateFile(), server.get());
    writeKey(keyFile(), serverKey.get());
}

CertificateKit::~CertificateKit() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

}  // namespace novawick::loopback
