// The TLS layer against openssl s_server and a scripted TLS server: certificates, refusals,
// time-outs, slow links, reads larger than one receive and the close notification.

#include "protocol/framing.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_server.h"
#include "tests/support/tls_test_server.h"
#include "transport/im_connection.h"
#include "transport/log_writer.h"
#include "transport/socket_io.h"
#include "transport/timeouts.h"
#include "transport/tls.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <regex>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep {
namespace {

using test::Event;
using test::FakeServer;
using test::Reply;
using test::TlsScriptServer;

const std::string kGreeting = "S 220 test server ready\r\n";

std::vector<std::string> Lines(const LineList& list)
{
    return {list.begin(), list.end()};
}

// openssl s_server on an ephemeral loopback port, serving one connection; what the test writes
// to its input goes to the client.
class OpensslServer
{
public:
    bool Start(std::vector<std::string> options, const test::TestCertificate* certificate)
    {
        std::vector<std::string> argv = {"openssl",     "s_server", "-accept",
                                         "127.0.0.1:0", "-naccept", "1"};
        if (certificate) {
            if (!dir.Write("cert.pem", certificate->certPem) ||
                !dir.Write("key.pem", certificate->keyPem))
                return false;
            options.insert(options.end(),
                           {"-cert", dir.File("cert.pem"), "-key", dir.File("key.pem")});
        }
        argv.insert(argv.end(), options.begin(), options.end());
        if (!process.Start(argv, dir.Path()))
            return false;
        std::string line = process.WaitForOutput("ACCEPT ");
        std::size_t colon = line.rfind(':');
        if (colon == std::string::npos)
            return false;
        port = static_cast<std::uint16_t>(std::stoi(line.substr(colon + 1)));
        return port != 0;
    }

    test::TempDir dir;
    test::ChildProcess process;
    std::uint16_t port = 0;
};

// What `openssl x509` says the certificate's SHA-256 fingerprint is.
std::string OpensslFingerprint(const std::string& certFile)
{
    test::ChildProcess x509;
    if (!x509.Start({"openssl", "x509", "-in", certFile, "-noout", "-fingerprint", "-sha256"}))
        return {};
    std::string line = x509.WaitForOutput("Fingerprint=");
    std::size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

class TlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDefaultTimeouts(5, 5);
        ASSERT_EQ(TlsInitialise(), ImResult::Ok);
    }
    void TearDown() override { SetDefaultTimeouts(240, 240); }

    ImResult ConnectTls(const std::string& host, std::uint16_t port)
    {
        // These servers' certificates are new each time: trusted on first use, never pinned.
        conn.trust.pinFile = pins.File("trust");
        conn.trust.acceptUnknown = true;
        return ImConnect(conn, host, port, true, false, "", 0);
    }

    test::TempDir pins;
    ImConnection conn;
};

TEST_F(TlsTest, SelfSignedServerIsAcceptedAndDescribed)
{
    test::TestCertificate certificate = test::MakeSelfSignedCertificate("self.signed.test");
    OpensslServer server;
    ASSERT_TRUE(server.Start({}, &certificate)) << server.process.Output();
    ASSERT_TRUE(server.process.WriteInput(kGreeting));

    ASSERT_EQ(ConnectTls("127.0.0.1", server.port), ImResult::Ok) << server.process.Output();
    ASSERT_NE(conn.tls, nullptr);

    std::string description;
    ASSERT_TRUE(CipherDescription(conn, description));
    std::smatch bits;
    ASSERT_TRUE(std::regex_match(
        description, bits,
        std::regex(R"re(SSL - cipher name "[A-Z0-9_-]+" cipher strength \((\d+),(\d+)\))re")))
        << description;
    EXPECT_GE(std::stoi(bits[1]), 128);

    TlsPeerCertificate peer;
    ASSERT_TRUE(TlsPeerCertificateOf(conn.tls, peer));
    EXPECT_EQ(peer.subject, "/O=ZEP test/CN=self.signed.test");
    EXPECT_EQ(peer.issuer, peer.subject);
    std::string expected = OpensslFingerprint(server.dir.File("cert.pem"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(strcasecmp(peer.sha256.c_str(), expected.c_str()), 0)
        << peer.sha256 << " vs " << expected;

    ImDisconnect(conn);
    EXPECT_FALSE(CipherDescription(conn, description));
}

TEST_F(TlsTest, ServerWithoutCertificateIsRefused)
{
    // An anonymous cipher needs security level 0 on both sides; only a context made for this
    // host offers one, and the host is matched without regard to case.
    ASSERT_EQ(TlsInitialiseContext(0, {"localhost", "aNULL:@SECLEVEL=0", "/nonexistent"}),
              ImResult::Ok);
    OpensslServer server;
    ASSERT_TRUE(server.Start({"-nocert", "-tls1_2", "-cipher", "aNULL:@SECLEVEL=0"}, nullptr));
    EXPECT_EQ(ConnectTls("LOCALHOST", server.port),
              ImResult::Failed) // no peer certificate: the detail is only logged
        << server.process.Output();
    EXPECT_EQ(conn.tls, nullptr);
    EXPECT_FALSE(IsConnected(conn));
    EXPECT_EQ(conn.socket.load(), -1);
}

TEST_F(TlsTest, DefaultContextOffersNoAnonymousCipher)
{
    OpensslServer server;
    ASSERT_TRUE(server.Start({"-nocert", "-tls1_2", "-cipher", "aNULL:@SECLEVEL=0"}, nullptr));
    EXPECT_EQ(ConnectTls("127.0.0.1", server.port), ImResult::Failed);
    EXPECT_EQ(conn.tls, nullptr);
}

TEST_F(TlsTest, NothingOlderThanTls12IsSpokenEvenAtSecurityLevelZero)
{
    // A context for this host at security level 0 would take TLS 1.0 and 1.1 if it were
    // allowed to: only the client's own minimum stands in the way.
    ASSERT_EQ(TlsInitialiseContext(0, {"localhost", "DEFAULT:@SECLEVEL=0", "/nonexistent"}),
              ImResult::Ok);
    struct Row
    {
        const char* version;
        ImResult expected;
    };
    for (Row row : {Row{"-tls1", ImResult::Failed}, Row{"-tls1_1", ImResult::Failed},
                    Row{"-tls1_2", ImResult::Ok}}) {
        SCOPED_TRACE(row.version);
        test::TestCertificate certificate = test::MakeSelfSignedCertificate("old.test");
        OpensslServer server;
        ASSERT_TRUE(server.Start({row.version, "-cipher", "DEFAULT:@SECLEVEL=0"}, &certificate));
        ASSERT_TRUE(server.process.WriteInput(kGreeting));
        EXPECT_EQ(ConnectTls("localhost", server.port), row.expected) << server.process.Output();
        EXPECT_EQ(conn.tls != nullptr, row.expected == ImResult::Ok);
        ImDisconnect(conn);
    }
}

TEST_F(TlsTest, ServerThatAbortsTheHandshakeIsRefused)
{
    // In TLS 1.2 a server that insists on a client certificate refuses before it finishes.
    test::TestCertificate certificate = test::MakeSelfSignedCertificate("strict.test");
    OpensslServer server;
    ASSERT_TRUE(server.Start({"-tls1_2", "-Verify", "1"}, &certificate));
    EXPECT_EQ(ConnectTls("127.0.0.1", server.port), ImResult::Failed);
    EXPECT_EQ(conn.tls, nullptr);
    EXPECT_FALSE(IsConnected(conn));
}

TEST_F(TlsTest, ServerClosingDuringTheHandshake)
{
    FakeServer server;
    server
        .Do([](int fd) {
            char hello[512];
            [[maybe_unused]] ssize_t n = ::recv(fd, hello, sizeof hello, 0);
        })
        .Close();
    server.Start();
    EXPECT_EQ(ConnectTls("127.0.0.1", server.Port()), ImResult::Failed);
    EXPECT_EQ(conn.tls, nullptr);
    // The failed session was freed once, by the handshake: disconnecting again is harmless.
    ImDisconnect(conn);
    ImDisconnect(conn);
    EXPECT_EQ(conn.socket.load(), -1);
}

TEST_F(TlsTest, SilentServerEndsTheHandshakeAtTheDefaultTimeout)
{
    SetDefaultTimeouts(0.3, 0.3);
    FakeServer server;
    server.Hold();
    server.Start();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ConnectTls("127.0.0.1", server.Port()), ImResult::Failed);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(250));
    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_EQ(conn.tls, nullptr);
}

// Forwards between the accepted client and the target in small pieces with pauses: a slow
// link on which the handshake needs many partial reads and writes.
void RelaySlowly(int client, std::uint16_t targetPort)
{
    int target = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(targetPort);
    if (::connect(target, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(target);
        return;
    }
    pollfd fds[2] = {{client, POLLIN, 0}, {target, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, 5000) <= 0)
            break;
        bool ended = false;
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char piece[48];
            ssize_t n = ::recv(fds[i].fd, piece, sizeof piece, 0);
            if (n <= 0) {
                ended = true;
                break;
            }
            ::send(fds[1 - i].fd, piece, static_cast<std::size_t>(n), MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (ended)
            break;
    }
    ::close(target);
}

TEST_F(TlsTest, HandshakeOverASlowLinkCompletes)
{
    TlsScriptServer server(test::MakeSelfSignedCertificate("slow.test"));
    server.Send(kGreeting).AwaitClose();
    server.Start();
    FakeServer relay;
    relay.Do([port = server.Port()](int fd) { RelaySlowly(fd, port); });
    relay.Start();
    ASSERT_EQ(ConnectTls("127.0.0.1", relay.Port()), ImResult::Ok);
    EXPECT_TRUE(server.HandshakeDone());
}

TEST_F(TlsTest, RequestAndReplyAndCloseNotification)
{
    TlsScriptServer server(test::MakeSelfSignedCertificate("script.test"));
    server.Send(kGreeting)
        .ReadRequest()
        .Send(Reply({"250-first", "250 OK"}) + Event({"NOTIFY", ".dotted"}))
        .AwaitClose();
    server.Start();
    ASSERT_EQ(ConnectTls("127.0.0.1", server.Port()), ImResult::Ok);

    LineList reply;
    ASSERT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(Lines(reply), (std::vector<std::string>{"250-first", "250 OK"}));
    LineList event;
    ASSERT_EQ(ImReadEvent(conn, event), ImResult::Ok);
    EXPECT_EQ(Lines(event), (std::vector<std::string>{"NOTIFY", ".dotted"}));

    ImDisconnect(conn);
    ASSERT_TRUE(server.Finish());
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "VERSION\r\n.\r\n");
    EXPECT_TRUE(server.PeerClosedCleanly());
    // An address is never sent as the server name.
    EXPECT_EQ(server.ServerName(), "");
}

TEST_F(TlsTest, TlsCloseNotifiesButLeavesTheSocketToItsOwner)
{
    TlsScriptServer server(test::MakeSelfSignedCertificate("close.test"));
    server.Send(kGreeting).AwaitClose();
    server.Start();
    ASSERT_EQ(ConnectTls("127.0.0.1", server.Port()), ImResult::Ok);
    const int fd = conn.socket.load();
    TlsClose(conn);
    EXPECT_EQ(conn.tls, nullptr);
    EXPECT_NE(fcntl(fd, F_GETFD), -1);
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.PeerClosedCleanly());
    ImDisconnect(conn);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
}

TEST_F(TlsTest, BurstLargerThanOneReadIsNotLeftInTheSession)
{
    // One TLS record holds a short event and then a 12 KB one: the first read (10239 bytes)
    // ends in the middle of the second, and the rest stays decrypted in the session while the
    // socket has nothing more to read.
    const std::string big(12000, 'x');
    TlsScriptServer server(test::MakeSelfSignedCertificate("burst.test"));
    server.Send(kGreeting)
        .ReadRequest()
        .Send(Event({"NOTIFY", "Count: 1"}) + Event({"MESSAGE", "Body: " + big}))
        .ReadRequest();
    server.Start();
    ASSERT_EQ(ConnectTls("127.0.0.1", server.Port()), ImResult::Ok);
    ASSERT_TRUE(SendMultiLineLog(conn.number, conn.tls, conn.socket.load(), kTimeoutDefault,
                                 "NOOP\r\n.\r\n"));

    LineList event;
    ImResult r = ImResult::NothingPending;
    for (int i = 0; i < 50 && r == ImResult::NothingPending; ++i) {
        ASSERT_EQ(ImWaitEvent(conn, 5), ImResult::Ok);
        r = ImReadEvent(conn, event);
    }
    ASSERT_EQ(r, ImResult::Ok);
    EXPECT_EQ(Lines(event), (std::vector<std::string>{"NOTIFY", "Count: 1"}));

    // The socket stays quiet now; only what the session holds can wake the wait.
    ASSERT_EQ(ImWaitEvent(conn, 2), ImResult::Ok);
    ASSERT_EQ(ImReadEvent(conn, event), ImResult::Ok);
    EXPECT_EQ(Lines(event), (std::vector<std::string>{"MESSAGE", "Body: " + big}));
}

class TlsLogTest : public TlsTest
{
protected:
    void SetUp() override
    {
        TlsTest::SetUp();
        previousDirectory = ZepimLog().Directory();
        ZepimLog().SetDirectory(logDir.Path() + "/");
        SetLogMask(kLogFailure | kLogProgress | kLogDetail);
    }
    void TearDown() override
    {
        SetLogMask(0);
        ZepimLog().SetDirectory(previousDirectory);
        TlsTest::TearDown();
    }
    std::string LogText()
    {
        std::ifstream in(ZepimLog().CurrentPath());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    test::TempDir logDir;
    std::string previousDirectory;
};

TEST_F(TlsLogTest, CipherAndCertificateAreLoggedAfterTheHandshake)
{
    TlsScriptServer server(test::MakeSelfSignedCertificate("logged.test"));
    server.Send(kGreeting).AwaitClose();
    server.Start();
    ASSERT_EQ(ConnectTls("127.0.0.1", server.Port()), ImResult::Ok);
    std::string log = LogText();
    EXPECT_TRUE(std::regex_search(
        log, std::regex(R"re( P \d+ 99999 SSL - cipher name "TLS_\w+" cipher strength )re"
                        R"re(\(\d+,\d+\) \(0\)\r\n)re")))
        << log;
    EXPECT_TRUE(std::regex_search(
        log, std::regex("server certificate subject /O=ZEP test/CN=logged.test issuer /O=ZEP "
                        "test/CN=logged.test")))
        << log;
    EXPECT_TRUE(std::regex_search(
        log, std::regex("server certificate SHA-256 ([0-9A-F]{2}:){31}[0-9A-F]{2}\r\n")))
        << log;
}

TEST_F(TlsLogTest, FailedHandshakeLogsTheLibraryErrors)
{
    OpensslServer server;
    ASSERT_TRUE(server.Start({"-nocert", "-tls1_2", "-cipher", "aNULL:@SECLEVEL=0"}, nullptr));
    EXPECT_EQ(ConnectTls("127.0.0.1", server.port), ImResult::Failed);
    std::string log = LogText();
    // The error queue (category D) and then the summary line (category F), both 742.
    EXPECT_TRUE(std::regex_search(log, std::regex(R"( D \d+ 00742 0 error:[0-9A-F]+:SSL )"
                                                  R"(routines:[^:]*:[^:]*:[^:]*:\d+)")))
        << log;
    EXPECT_TRUE(std::regex_search(log, std::regex(R"( F \d+ 00742 0 SSLInitialiseClient failed )"
                                                  R"(error:[0-9A-F]+:SSL routines::\S.* \(\d+\))")))
        << log;
}

class TlsPeerCloseTest : public TlsTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(TlsPeerCloseTest, PeerCloseReadsAsClosedConnection)
{
    TlsScriptServer server(test::MakeSelfSignedCertificate("gone.test"));
    server.Send(kGreeting).Close(GetParam());
    server.Start();
    ASSERT_EQ(ConnectTls("127.0.0.1", server.Port()), ImResult::Ok);
    ASSERT_TRUE(server.Finish());
    LineList event;
    ImResult r = ImResult::NothingPending;
    for (int i = 0; i < 50 && r == ImResult::NothingPending; ++i) {
        ImWaitEvent(conn, 5);
        r = ImReadEvent(conn, event);
    }
    EXPECT_EQ(r, ImResult::ConnectionClosed);
    EXPECT_FALSE(IsConnected(conn));
}

INSTANTIATE_TEST_SUITE_P(Closes, TlsPeerCloseTest, ::testing::Values(true, false),
                         [](const auto& info) {
                             return std::string(info.param ? "with_notification"
                                                           : "without_notification");
                         });

} // namespace
} // namespace zep
