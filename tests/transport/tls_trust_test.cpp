// Which server certificates a connection accepts: the system's authorities (a private one made
// here and named in SSL_CERT_FILE before the library loads it), pins, a fingerprint named for
// one run and first use; and what a refused handshake leaves for the user to see.

#include "tests/support/child_process.h"
#include "tests/support/test_authority.h"
#include "tests/support/tls_test_server.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"
#include "transport/tls.h"
#include "transport/tls_pins.h"

#include <gtest/gtest.h>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace zep {
namespace {

using test::TestCertificate;
using test::TlsScriptServer;

// The certificate's SHA-256 over its DER form, in plain hex.
std::string Fingerprint(const TestCertificate& certificate)
{
    BIO* bio =
        BIO_new_mem_buf(certificate.certPem.data(), static_cast<int>(certificate.certPem.size()));
    X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    std::string hex;
    if (cert && X509_digest(cert, EVP_sha256(), digest, &length) == 1) {
        static const char digits[] = "0123456789ABCDEF";
        for (unsigned i = 0; i < length; ++i) {
            hex += digits[digest[i] >> 4];
            hex += digits[digest[i] & 15];
        }
    }
    X509_free(cert);
    return hex;
}

// The private authority stands for the system's: set before any context exists.
class Authority : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ca = test::MakeAuthority("ZEP test authority");
        ASSERT_FALSE(ca.certPem.empty());
        ASSERT_TRUE(dir.Write("ca.pem", ca.certPem));
        ::setenv("SSL_CERT_FILE", dir.File("ca.pem").c_str(), 1);
        ::setenv("SSL_CERT_DIR", dir.Path().c_str(), 1);
        ASSERT_EQ(TlsInitialise(), ImResult::Ok);
    }
    test::TempDir dir;
    TestCertificate ca;
};
Authority* g_authority =
    static_cast<Authority*>(::testing::AddGlobalTestEnvironment(new Authority));

enum class Cert
{
    SelfSigned,
    IssuedForLocalhost, // DNS:localhost and IP:127.0.0.1
    IssuedForOtherName,
};
enum class Pin
{
    None,
    Same,
    Other,
};
enum class Named // the policy's acceptFingerprint
{
    None,
    Same,
    Other,
};

struct Row
{
    const char* name;
    Cert cert;
    const char* host;
    Pin pin;
    Named named;
    bool acceptUnknown;
    ImResult result;
    TlsTrustVerdict verdict;
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

class TlsTrustTest : public ::testing::TestWithParam<Row>
{
protected:
    void SetUp() override { SetDefaultTimeouts(5, 5); }
    void TearDown() override { SetDefaultTimeouts(240, 240); }
};

const std::string kOther(64, 'C');

TEST_P(TlsTrustTest, Verdict)
{
    const Row& row = GetParam();
    const TestCertificate certificate =
        row.cert == Cert::SelfSigned
            ? test::MakeSelfSignedCertificate("localhost")
            : test::MakeIssuedCertificate(
                  g_authority->ca,
                  row.cert == Cert::IssuedForLocalhost ? "localhost" : "elsewhere.test",
                  row.cert == Cert::IssuedForLocalhost ? "DNS:localhost,IP:127.0.0.1"
                                                       : "DNS:elsewhere.test");
    ASSERT_FALSE(certificate.certPem.empty());
    const std::string own = Fingerprint(certificate);
    ASSERT_EQ(own.size(), 64u);

    TlsScriptServer server(certificate);
    server.Send("S 220 ready\r\n").AwaitClose();
    server.Start();

    test::TempDir dir;
    const std::string pins = dir.File("trust");
    if (row.pin != Pin::None) {
        ASSERT_EQ(
            PinCertificate(pins, row.host, server.Port(), row.pin == Pin::Same ? own : kOther),
            ImResult::Ok);
    }
    // Pins of other ports of the same host never count.
    ASSERT_EQ(PinCertificate(pins, row.host, static_cast<std::uint16_t>(server.Port() ^ 1), own),
              ImResult::Ok);

    ImConnection conn;
    conn.trust.pinFile = pins;
    conn.trust.acceptUnknown = row.acceptUnknown;
    if (row.named != Named::None)
        conn.trust.acceptFingerprint = row.named == Named::Same ? ColonFingerprint(own) : kOther;
    const ImResult r = ImConnect(conn, row.host, server.Port(), true, false, "", 0);
    EXPECT_EQ(r, row.result);
    EXPECT_EQ(conn.peerTrust.verdict, row.verdict);
    EXPECT_EQ(IsConnected(conn), r == ImResult::Ok);
    if (r != ImResult::Ok) {
        // Refused: nothing is open, but the user can be shown what was presented.
        EXPECT_EQ(conn.tls, nullptr);
        EXPECT_EQ(conn.socket.load(), -1);
    }
    EXPECT_EQ(conn.peerTrust.host, row.host);
    EXPECT_EQ(conn.peerTrust.port, server.Port());
    EXPECT_EQ(NormalFingerprint(conn.peerTrust.certificate.sha256), own);
    EXPECT_EQ(conn.peerTrust.certificate.subject.find("CN=") != std::string::npos, true);
    if (row.verdict == TlsTrustVerdict::Changed) {
        EXPECT_EQ(NormalFingerprint(conn.peerTrust.expected), kOther);
    }
    EXPECT_EQ(conn.peerTrust.systemReason.empty(),
              row.verdict == TlsTrustVerdict::SystemTrusted ||
                  (row.cert == Cert::IssuedForLocalhost && row.named != Named::None));
    ImDisconnect(conn);
    ASSERT_TRUE(server.Finish());
    // Deciding never writes the pins: that is the caller's choice.
    std::vector<TlsPin> after;
    ASSERT_EQ(LoadPins(pins, after), ImResult::Ok);
    EXPECT_EQ(after.size(), row.pin == Pin::None ? 1u : 2u);
}

using V = TlsTrustVerdict;
const Row kRows[] = {
    {"self_signed_unknown", Cert::SelfSigned, "localhost", Pin::None, Named::None, false,
     ImResult::CertificateUnknown, V::Unknown},
    {"self_signed_pinned", Cert::SelfSigned, "localhost", Pin::Same, Named::None, false,
     ImResult::Ok, V::Pinned},
    {"self_signed_pin_host_case", Cert::SelfSigned, "LocalHost", Pin::Same, Named::None, false,
     ImResult::Ok, V::Pinned},
    {"self_signed_changed", Cert::SelfSigned, "localhost", Pin::Other, Named::None, false,
     ImResult::CertificateChanged, V::Changed},
    {"changed_even_when_first_use_allowed", Cert::SelfSigned, "localhost", Pin::Other, Named::None,
     true, ImResult::CertificateChanged, V::Changed},
    {"self_signed_first_use", Cert::SelfSigned, "localhost", Pin::None, Named::None, true,
     ImResult::Ok, V::FirstUse},
    {"authority_issued_by_name", Cert::IssuedForLocalhost, "localhost", Pin::None, Named::None,
     false, ImResult::Ok, V::SystemTrusted},
    {"authority_issued_by_address", Cert::IssuedForLocalhost, "127.0.0.1", Pin::None, Named::None,
     false, ImResult::Ok, V::SystemTrusted},
    {"authority_issued_wins_over_other_pin", Cert::IssuedForLocalhost, "localhost", Pin::Other,
     Named::None, false, ImResult::Ok, V::SystemTrusted},
    {"authority_issued_other_name_unknown", Cert::IssuedForOtherName, "localhost", Pin::None,
     Named::None, false, ImResult::CertificateUnknown, V::Unknown},
    {"authority_issued_other_name_pinned", Cert::IssuedForOtherName, "localhost", Pin::Same,
     Named::None, false, ImResult::Ok, V::Pinned},
    {"named_fingerprint_accepted", Cert::SelfSigned, "localhost", Pin::Other, Named::Same, false,
     ImResult::Ok, V::Given},
    {"named_other_fingerprint_refused", Cert::SelfSigned, "localhost", Pin::Same, Named::Other,
     true, ImResult::CertificateChanged, V::Changed},
    {"named_fingerprint_holds_over_authority", Cert::IssuedForLocalhost, "localhost", Pin::None,
     Named::Other, false, ImResult::CertificateChanged, V::Changed},
};

INSTANTIATE_TEST_SUITE_P(Certificates, TlsTrustTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Pins that cannot be read might name another certificate for this server: a certificate the
// system does not trust is refused, even where a first use would be accepted.
TEST(TlsTrustFile, AnUnusableFileRefusesEveryUntrustedCertificate)
{
    enum class Place
    {
        Nowhere,    // no HOME and no XDG_CONFIG_HOME
        Unreadable, // a path through a plain file
        Oversized,
        Folder,
        Pipe,
    };
    SetDefaultTimeouts(5, 5);
    const TestCertificate certificate = test::MakeSelfSignedCertificate("localhost");
    for (const Place place :
         {Place::Nowhere, Place::Unreadable, Place::Oversized, Place::Folder, Place::Pipe}) {
        SCOPED_TRACE(static_cast<int>(place));
        TlsScriptServer server(certificate);
        server.Send("S 220 ready\r\n").AwaitClose();
        server.Start();
        test::TempDir dir;
        std::string pins = dir.File("trust");
        const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
        const char* config = std::getenv("XDG_CONFIG_HOME");
        const std::string configValue = config ? config : "";
        switch (place) {
        case Place::Nowhere:
            pins.clear();
            unsetenv("HOME");
            unsetenv("XDG_CONFIG_HOME");
            break;
        case Place::Unreadable:
            std::ofstream(dir.File("file")) << "x";
            pins = dir.File("file") + "/trust";
            break;
        case Place::Oversized:
            std::ofstream(pins) << std::string(2u << 20, '#');
            break;
        case Place::Folder:
            mkdir(pins.c_str(), 0700);
            break;
        case Place::Pipe:
            mkfifo(pins.c_str(), 0600);
            break;
        }
        ImConnection conn;
        conn.trust.pinFile = pins;
        conn.trust.acceptUnknown = true;
        const ImResult r = ImConnect(conn, "localhost", server.Port(), true, false, "", 0);
        setenv("HOME", home.c_str(), 1);
        if (config)
            setenv("XDG_CONFIG_HOME", configValue.c_str(), 1);
        EXPECT_EQ(r, ImResult::TrustFileUnusable);
        EXPECT_EQ(conn.peerTrust.verdict, TlsTrustVerdict::NoTrustFile);
        EXPECT_FALSE(IsConnected(conn));
        ASSERT_TRUE(server.Finish());
    }
    SetDefaultTimeouts(240, 240);
}

} // namespace
} // namespace zep
