#include "tls_test_server.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <chrono>

namespace zep::test {

namespace {

std::string BioText(BIO* bio)
{
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(length));
}

} // namespace

TestCertificate MakeSelfSignedCertificate(const std::string& commonName,
                                          const std::string& passPhrase)
{
    TestCertificate out;
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    if (!key || !cert) {
        EVP_PKEY_free(key);
        X509_free(cert);
        return out;
    }
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -60);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("ZEP test"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, key, EVP_sha256());

    BIO* certBio = BIO_new(BIO_s_mem());
    BIO* keyBio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(certBio, cert);
    if (passPhrase.empty())
        PEM_write_bio_PrivateKey(keyBio, key, nullptr, nullptr, 0, nullptr, nullptr);
    else
        PEM_write_bio_PKCS8PrivateKey(keyBio, key, EVP_aes_256_cbc(), passPhrase.c_str(),
                                      static_cast<int>(passPhrase.size()), nullptr, nullptr);
    out.certPem = BioText(certBio);
    out.keyPem = BioText(keyBio);
    BIO_free(certBio);
    BIO_free(keyBio);
    X509_free(cert);
    EVP_PKEY_free(key);
    return out;
}

TlsScriptServer::TlsScriptServer(const TestCertificate& certificate)
{
    m_ctx = SSL_CTX_new(TLS_server_method());
    BIO* certBio =
        BIO_new_mem_buf(certificate.certPem.data(), static_cast<int>(certificate.certPem.size()));
    BIO* keyBio =
        BIO_new_mem_buf(certificate.keyPem.data(), static_cast<int>(certificate.keyPem.size()));
    X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    SSL_CTX_use_certificate(m_ctx, cert);
    SSL_CTX_use_PrivateKey(m_ctx, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(certBio);
    BIO_free(keyBio);
}

TlsScriptServer::~TlsScriptServer()
{
    if (m_thread.joinable()) {
        m_book.Interrupt();
        m_thread.join();
    }
    SSL_CTX_free(m_ctx);
}

TlsScriptServer& TlsScriptServer::Send(std::string bytes)
{
    m_steps.push_back([bytes = std::move(bytes)](SSL* ssl) {
        SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size()));
    });
    return *this;
}

TlsScriptServer& TlsScriptServer::ReadRequest()
{
    m_steps.push_back([this](SSL* ssl) {
        while (!m_book.TakeRequest()) {
            char chunk[16384];
            int n = SSL_read(ssl, chunk, sizeof chunk);
            if (n <= 0)
                return;
            m_book.Append(chunk, static_cast<std::size_t>(n));
        }
    });
    return *this;
}

TlsScriptServer& TlsScriptServer::Hold()
{
    m_steps.push_back([this](SSL*) { m_book.WaitForRelease(); });
    return *this;
}

TlsScriptServer& TlsScriptServer::AwaitClose()
{
    m_steps.push_back([this](SSL* ssl) {
        char chunk[16384];
        int n;
        while ((n = SSL_read(ssl, chunk, sizeof chunk)) > 0) {
        }
        const bool clean = SSL_get_error(ssl, n) == SSL_ERROR_ZERO_RETURN;
        m_book.Locked([&] { m_peerClosedCleanly = clean; });
    });
    return *this;
}

TlsScriptServer& TlsScriptServer::Close(bool notify)
{
    m_steps.push_back([this, notify](SSL* ssl) {
        if (notify)
            SSL_shutdown(ssl);
        m_book.ShutdownClient();
    });
    return *this;
}

void TlsScriptServer::Start()
{
    m_thread = std::thread([this] { Run(); });
}

void TlsScriptServer::Release()
{
    m_book.Release();
}

bool TlsScriptServer::Finish(int ms)
{
    return m_book.WaitForFinish(ms);
}

std::vector<std::string> TlsScriptServer::Requests()
{
    return m_book.Requests();
}

std::string TlsScriptServer::ServerName()
{
    return m_book.Locked([this] { return m_serverName; });
}

bool TlsScriptServer::PeerClosedCleanly()
{
    return m_book.Locked([this] { return m_peerClosedCleanly; });
}

bool TlsScriptServer::HandshakeDone()
{
    return m_book.Locked([this] { return m_handshakeDone; });
}

void TlsScriptServer::Run()
{
    if (int fd = m_book.Accept(); fd >= 0) {
        SSL* ssl = SSL_new(m_ctx);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) == 1) {
            const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
            m_book.Locked([&] {
                m_handshakeDone = true;
                m_serverName = name ? name : "";
            });
            for (auto& step : m_steps)
                step(ssl);
        }
        SSL_free(ssl);
        ERR_clear_error();
        m_book.CloseClient();
    }
    m_book.MarkFinished();
}

} // namespace zep::test
