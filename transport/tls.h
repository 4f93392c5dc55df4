#pragma once
// The TLS layer of the connection (client side). The server must present a certificate. One
// that chains to the system's trusted authorities and matches the server name is accepted;
// any other must be the one pinned for that server and port (tls_pins.h), else the handshake
// ends with CertificateUnknown or CertificateChanged and the facts stay on the connection for
// the user to judge.

#include "common/im_result.h"

#include <cstdint>
#include <string>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace zep {

struct ImConnection;

// Initialises the library (error strings, "rand.dat" seeding) and the client context with the
// empty name; once per process, safe from any thread, cheap after the first call.
ImResult TlsInitialise();

struct TlsContextOptions
{
    // Contexts are found by the server host name (case-insensitive); the empty name is the
    // client context every other name falls back to.
    std::string name;
    // OpenSSL cipher list; empty keeps the library's default.
    std::string cipherList;
    // Where "key.pem" and "cert.pem" are looked for; empty means the program's directory.
    std::string keyDirectory;
};

// Creates a context and puts it in front of the context list (a newer context of the same
// name hides the older one). TlsSessionFailed when the context cannot be created.
ImResult TlsInitialiseContext(int connectionNumber, const TlsContextOptions& options);

// The context for a server host name: the entry of that name, else the one with the empty
// name; null when the list is empty.
SSL_CTX* TlsFindContext(const std::string& name);

// The pass phrase of "key.pem" for a context: "ConnectID" of the system-wide settings group
// "SSL/<name>", else of "Private", stored Base64-encoded. Empty when there is none.
std::string TlsPassPhrase(const std::string& contextName);

// Runs the client handshake on the connected socket, bounded by the default time-out, and
// stores the session in conn.tls. TlsHandshakeFailed (conn.tls stays null),
// TlsNoPeerCertificate (the session stays in conn.tls for the disconnect to close),
// TlsSessionFailed, NotFound (no context), CertificateUnknown or CertificateChanged (the
// session is freed; conn.peerTrust says why).
ImResult TlsHandshake(ImConnection& conn);

// Sends the close notification and frees the session; conn.tls becomes null. The socket stays
// open: its owner shuts it down and closes it.
void TlsClose(ImConnection& conn);

// "SSL - cipher name \"%s\" cipher strength (%d,%d)" of the session in use.
bool TlsCipherDescription(ImConnection& conn, std::string& text);

// Logs the cipher of a fresh session (progress category).
void TlsLogCipher(const ImConnection& conn);

// The server certificate of the session in use: subject and issuer in one-line form and the
// SHA-256 fingerprint as colon-separated upper-case hexadecimal pairs.
struct TlsPeerCertificate
{
    std::string subject;
    std::string issuer;
    std::string sha256;
};
bool TlsPeerCertificateOf(SSL* session, TlsPeerCertificate& out);

// How a connection decides about a certificate the system does not vouch for.
struct TlsTrustPolicy
{
    // The pins; empty means DefaultTrustFile().
    std::string pinFile;
    // When set, exactly this certificate is accepted (any notation NormalFingerprint reads)
    // and every other refused as changed, whatever the system or the pins say.
    std::string acceptFingerprint;
    // Accepts a certificate with no pin for its server (the caller then pins it).
    bool acceptUnknown = false;
};

enum class TlsTrustVerdict
{
    None,          // no handshake got as far as a certificate
    SystemTrusted, // chains to a trusted authority and names the server
    Pinned,        // the pinned certificate of this server and port
    Given,         // the certificate the policy named
    FirstUse,      // no pin yet, accepted because the policy says so
    Unknown,       // refused: no pin, not trusted by the system
    Changed,       // refused: not the pinned (or named) certificate
    NoTrustFile,   // refused: the pins cannot be read, so nothing can be checked against them
};

// What the last handshake of a connection saw, kept after it closes.
struct TlsPeerTrust
{
    TlsTrustVerdict verdict = TlsTrustVerdict::None;
    std::string host; // the server as configured (not the proxy)
    std::uint16_t port = 0;
    TlsPeerCertificate certificate;
    std::string expected;     // the pinned or named fingerprint (colon form), if any
    std::string systemReason; // why the system's check failed ("self-signed certificate")
    std::string trustFile;    // the file of pins that was (or could not be) read
};

// The verdict for a certificate with `sha256` (colon form) that the system's check passed or
// not, given the pin of its server (empty when none) and the policy. Ok, CertificateUnknown
// or CertificateChanged.
ImResult TlsJudgeCertificate(bool systemTrusted, const std::string& sha256,
                             const std::string& pinned, const TlsTrustPolicy& policy,
                             TlsTrustVerdict& verdict, std::string& expected);

// Writes every queued OpenSSL error of this thread to the log and empties the queue.
void LogTlsErrors(int connectionNumber, int messageNumber);

} // namespace zep
