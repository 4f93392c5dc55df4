#include "transport/im_connection.h"
#include "transport/log_writer.h"
#include "transport/tls.h"
#include "transport/tls_pins.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

namespace zep {

ImResult TlsJudgeCertificate(bool systemTrusted, const std::string& sha256,
                             const std::string& pinned, const TlsTrustPolicy& policy,
                             TlsTrustVerdict& verdict, std::string& expected)
{
    const std::string seen = NormalFingerprint(sha256);
    expected.clear();
    // A certificate named for this run is the only one accepted: the user said which.
    if (!policy.acceptFingerprint.empty()) {
        const std::string given = NormalFingerprint(policy.acceptFingerprint);
        expected = ColonFingerprint(given);
        verdict =
            !seen.empty() && given == seen ? TlsTrustVerdict::Given : TlsTrustVerdict::Changed;
        return verdict == TlsTrustVerdict::Given ? ImResult::Ok : ImResult::CertificateChanged;
    }
    const std::string pin = NormalFingerprint(pinned);
    if (!pin.empty())
        expected = ColonFingerprint(pin);
    // A server that moved to a certificate anyone can check needs no pin any more.
    if (systemTrusted) {
        verdict = TlsTrustVerdict::SystemTrusted;
        return ImResult::Ok;
    }
    if (!pin.empty()) {
        verdict = pin == seen ? TlsTrustVerdict::Pinned : TlsTrustVerdict::Changed;
        return verdict == TlsTrustVerdict::Pinned ? ImResult::Ok : ImResult::CertificateChanged;
    }
    if (policy.acceptUnknown) {
        verdict = TlsTrustVerdict::FirstUse;
        return ImResult::Ok;
    }
    verdict = TlsTrustVerdict::Unknown;
    return ImResult::CertificateUnknown;
}

// Called by the handshake once the server's certificate is known.
ImResult TlsCheckPeerTrust(ImConnection& conn, SSL* ssl, const TlsPeerCertificate& peer)
{
    TlsPeerTrust& trust = conn.peerTrust;
    trust.host = conn.serverHost;
    trust.port = conn.serverPort;
    trust.certificate = peer;
    const long verified = SSL_get_verify_result(ssl);
    const bool systemTrusted = verified == X509_V_OK;
    trust.systemReason = systemTrusted ? std::string() : X509_verify_cert_error_string(verified);

    std::string pinned;
    if (conn.trust.acceptFingerprint.empty() && !systemTrusted) {
        const std::string file =
            conn.trust.pinFile.empty() ? DefaultTrustFile() : conn.trust.pinFile;
        trust.trustFile = file;
        std::vector<TlsPin> pins;
        // Pins that cannot be read may hold a different certificate for this server: taking
        // this one as new would let anyone in the middle be trusted.
        if (LoadPins(file, pins) != ImResult::Ok) {
            LogWriteIf(ZepimLog(), kLogFailure, 99999,
                       "%d the trust file %s cannot be used: the certificate of %s:%u (%s) is "
                       "refused",
                       conn.number, file.empty() ? "(no place for it)" : file.c_str(),
                       conn.serverHost.c_str(), conn.serverPort, trust.systemReason.c_str());
            trust.verdict = TlsTrustVerdict::NoTrustFile;
            return ImResult::TrustFileUnusable;
        }
        pinned = FindPin(pins, conn.serverHost, conn.serverPort).value_or(std::string());
    }
    const ImResult result = TlsJudgeCertificate(systemTrusted, peer.sha256, pinned, conn.trust,
                                                trust.verdict, trust.expected);
    if (result == ImResult::CertificateUnknown)
        LogWriteIf(ZepimLog(), kLogFailure, 99999,
                   "%d server certificate of %s:%u is not trusted (%s) and not pinned", conn.number,
                   conn.serverHost.c_str(), conn.serverPort, trust.systemReason.c_str());
    else if (result == ImResult::CertificateChanged)
        LogWriteIf(ZepimLog(), kLogFailure, 99999,
                   "%d server certificate of %s:%u is %s, not the expected %s", conn.number,
                   conn.serverHost.c_str(), conn.serverPort, peer.sha256.c_str(),
                   trust.expected.c_str());
    return result;
}

} // namespace zep
