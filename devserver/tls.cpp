#include "devserver/tls.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace zep::devserver {

namespace {

struct PkeyFree
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct X509Free
{
    void operator()(X509* cert) const { X509_free(cert); }
};

bool AddExtension(X509* cert, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (ext == nullptr)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

bool UseSelfSigned(SSL_CTX* ctx, std::string& error)
{
    std::unique_ptr<EVP_PKEY, PkeyFree> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    std::unique_ptr<X509, X509Free> cert(X509_new());
    if (!key || !cert) {
        error = "cannot make a key: " + TakeTlsErrors();
        return false;
    }
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), static_cast<long>(time(nullptr)));
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 365L * 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("zep-devserver"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    if (!AddExtension(cert.get(), NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1") ||
        !AddExtension(cert.get(), NID_basic_constraints, "critical,CA:FALSE") ||
        X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) {
        error = "cannot sign the certificate: " + TakeTlsErrors();
        return false;
    }
    if (SSL_CTX_use_certificate(ctx, cert.get()) != 1 ||
        SSL_CTX_use_PrivateKey(ctx, key.get()) != 1) {
        error = "cannot use the certificate: " + TakeTlsErrors();
        return false;
    }
    return true;
}

} // namespace

void SslCtxFree::operator()(SSL_CTX* ctx) const
{
    SSL_CTX_free(ctx);
}

std::string TakeTlsErrors()
{
    std::string text;
    while (unsigned long code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        if (!text.empty())
            text += "; ";
        text += buffer;
    }
    return text.empty() ? "unknown TLS error" : text;
}

SslCtxPtr MakeServerContext(const std::string& certFile, const std::string& keyFile,
                            std::string& error)
{
    SslCtxPtr ctx(SSL_CTX_new(TLS_server_method()));
    if (!ctx) {
        error = "cannot create a TLS context: " + TakeTlsErrors();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(ctx.get(), TLS1_2_VERSION);
    SSL_CTX_set_mode(ctx.get(), SSL_MODE_ENABLE_PARTIAL_WRITE |
                                    SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER | SSL_MODE_RELEASE_BUFFERS);
    if (certFile.empty()) {
        if (!UseSelfSigned(ctx.get(), error))
            return nullptr;
    } else {
        if (SSL_CTX_use_certificate_chain_file(ctx.get(), certFile.c_str()) != 1) {
            error = certFile + ": cannot load the certificate: " + TakeTlsErrors();
            return nullptr;
        }
        if (SSL_CTX_use_PrivateKey_file(ctx.get(), keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
            error = keyFile + ": cannot load the key: " + TakeTlsErrors();
            return nullptr;
        }
        if (SSL_CTX_check_private_key(ctx.get()) != 1) {
            error = keyFile + ": the key does not match the certificate";
            return nullptr;
        }
    }
    return ctx;
}

} // namespace zep::devserver
