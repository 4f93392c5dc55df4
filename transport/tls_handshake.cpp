#include "transport/im_connection.h"
#include "transport/log_writer.h"
#include "transport/socket_io.h"
#include "transport/timeouts.h"
#include "transport/tls.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>

namespace zep {

ImResult TlsCheckPeerTrust(ImConnection& conn, SSL* ssl, const TlsPeerCertificate& peer);

namespace {

// RFC 6066: the server name is a host name, never an address literal.
bool IsAddressLiteral(const std::string& host)
{
    std::string bare = host;
    if (!bare.empty() && bare.front() == '[')
        bare.erase(0, 1);
    if (!bare.empty() && bare.back() == ']')
        bare.pop_back();
    unsigned char address[16];
    return inet_pton(AF_INET, bare.c_str(), address) == 1 ||
           inet_pton(AF_INET6, bare.c_str(), address) == 1;
}

void LogClientFailure(int connectionNumber, int messageNumber, const char* reason)
{
    unsigned long code = ERR_peek_last_error();
    char text[256];
    if (code != 0)
        ERR_error_string_n(code, text, sizeof text);
    else
        std::snprintf(text, sizeof text, "%s", reason);
    LogTlsErrors(connectionNumber, messageNumber);
    LogWriteIf(ZepimLog(), kLogFailure, messageNumber, "%d SSLInitialiseClient failed %s (%lu)",
               connectionNumber, text, code);
}

std::string NameLine(const X509_NAME* name)
{
    if (!name)
        return {};
    char* text = X509_NAME_oneline(name, nullptr, 0);
    if (!text)
        return {};
    std::string out = text;
    OPENSSL_free(text);
    return out;
}

// Drives SSL_connect on the non-blocking socket until it ends or the deadline passes; the
// result of the last SSL_connect, or 0 when the time ran out.
int ConnectUntil(SSL* ssl, int socket, int cancelFd, std::chrono::steady_clock::time_point deadline,
                 bool* timedOut)
{
    *timedOut = false;
    for (;;) {
        ERR_clear_error();
        int r = SSL_connect(ssl);
        if (r == 1)
            return r;
        int error = SSL_get_error(ssl, r);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
            return r;
        auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        ImResult ready = left > 0
                             ? WaitSocket(socket, error == SSL_ERROR_WANT_WRITE, left, cancelFd)
                             : ImResult::TimedOut;
        if (ready == ImResult::TimedOut) {
            *timedOut = true;
            return 0;
        }
        if (ready != ImResult::Ok)
            return -1;
    }
}

} // namespace

ImResult TlsHandshake(ImConnection& conn)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    conn.peerTrust = TlsPeerTrust{};
    if (TlsInitialise() != ImResult::Ok)
        return ImResult::TlsSessionFailed;
    SSL_CTX* ctx = TlsFindContext(conn.serverHost);
    if (!ctx)
        return ImResult::NotFound;
    const int socket = conn.socket.load();
    // The server speaks only after our hello: bytes already here are no TLS of its own.
    if (!conn.pendingInput.empty()) {
        LogWriteIf(ZepimLog(), kLogFailure, 742,
                   "%d SSLInitialiseClient failed %zu bytes arrived before the handshake",
                   conn.number, conn.pendingInput.size());
        return ImResult::TlsHandshakeFailed;
    }
    SSL* ssl = SSL_new(ctx);
    if (!ssl) {
        LogClientFailure(conn.number, 744, "no session");
        return ImResult::TlsSessionFailed;
    }
    SetNonBlocking(socket);
    if (SSL_set_fd(ssl, socket) != 1 ||
        (!conn.serverHost.empty() && !IsAddressLiteral(conn.serverHost) &&
         SSL_set_tlsext_host_name(ssl, conn.serverHost.c_str()) != 1)) {
        LogClientFailure(conn.number, 744, "session set-up");
        SSL_free(ssl);
        return ImResult::TlsSessionFailed;
    }
    // The name the system's check matches the certificate against.
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    std::string bare = conn.serverHost;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    if (IsAddressLiteral(conn.serverHost)
            ? X509_VERIFY_PARAM_set1_ip_asc(param, bare.c_str()) != 1
            : X509_VERIFY_PARAM_set1_host(param, bare.c_str(), 0) != 1) {
        LogClientFailure(conn.number, 744, "server name");
        SSL_free(ssl);
        return ImResult::TlsSessionFailed;
    }

    // Bounded by the default time-out: a server that never answers cannot hold the logon.
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::microseconds(TimeoutMicroseconds(kTimeoutDefault, Direction::Receive));
    bool timedOut = false;
    if (ConnectUntil(ssl, socket, conn.cancelFd, deadline, &timedOut) != 1) {
        LogClientFailure(conn.number, 742, timedOut ? "handshake timed out" : "handshake");
        // Nothing more is sent on a failed session: no close notification, no second free.
        SSL_set_shutdown(ssl, SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);
        SSL_free(ssl);
        ERR_clear_error();
        return ImResult::TlsHandshakeFailed;
    }
    conn.tls = ssl;

    TlsPeerCertificate peer;
    if (!TlsPeerCertificateOf(ssl, peer)) {
        LogClientFailure(conn.number, 743, "no server certificate");
        return ImResult::TlsNoPeerCertificate;
    }
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "%d server certificate subject %s issuer %s",
               conn.number, peer.subject.c_str(), peer.issuer.c_str());
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "%d server certificate SHA-256 %s", conn.number,
               peer.sha256.c_str());
    // A refused certificate leaves the session in conn.tls for the disconnect to close.
    return TlsCheckPeerTrust(conn, ssl, peer);
}

bool TlsPeerCertificateOf(SSL* session, TlsPeerCertificate& out)
{
    if (!session)
        return false;
    X509* cert = SSL_get0_peer_certificate(session);
    if (!cert)
        return false;
    out.subject = NameLine(X509_get_subject_name(cert));
    out.issuer = NameLine(X509_get_issuer_name(cert));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    out.sha256.clear();
    if (X509_digest(cert, EVP_sha256(), digest, &length) == 1) {
        for (unsigned int i = 0; i < length; ++i) {
            char pair[4];
            std::snprintf(pair, sizeof pair, i + 1 < length ? "%02X:" : "%02X", digest[i]);
            out.sha256 += pair;
        }
    }
    return true;
}

void TlsClose(ImConnection& conn)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    SSL* ssl = conn.tls;
    conn.tls = nullptr;
    conn.tlsPending = false;
    if (!ssl)
        return;
    // One attempt at the close notification: the peer's answer is not awaited, and a peer
    // that is gone already makes it fail quietly.
    ERR_clear_error();
    if (SSL_is_init_finished(ssl))
        SSL_shutdown(ssl);
    ERR_clear_error();
    SSL_free(ssl);
}

bool TlsCipherDescription(ImConnection& conn, std::string& text)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    if (!conn.tls)
        return false;
    const SSL_CIPHER* cipher = SSL_get_current_cipher(conn.tls);
    int algorithmBits = 0;
    int secretBits = cipher ? SSL_CIPHER_get_bits(cipher, &algorithmBits) : 0;
    char line[256];
    std::snprintf(line, sizeof line, "SSL - cipher name \"%s\" cipher strength (%d,%d)",
                  cipher ? SSL_CIPHER_get_name(cipher) : "none", secretBits, algorithmBits);
    text = line;
    return true;
}

void TlsLogCipher(const ImConnection& conn)
{
    if (!LogEnabled(kLogProgress) || !conn.tls)
        return;
    const SSL_CIPHER* cipher = SSL_get_current_cipher(conn.tls);
    int algorithmBits = 0;
    int secretBits = cipher ? SSL_CIPHER_get_bits(cipher, &algorithmBits) : 0;
    LogWriteIf(
        ZepimLog(), kLogProgress, 99999, "SSL - cipher name \"%s\" cipher strength (%d,%d) (%lu)",
        cipher ? SSL_CIPHER_get_name(cipher) : "none", secretBits, algorithmBits, ERR_peek_error());
}

} // namespace zep
