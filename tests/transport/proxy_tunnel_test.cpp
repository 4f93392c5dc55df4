// The HTTP proxy tunnel against a scripted fake proxy (malformed and slow replies) and through
// a real tinyproxy.

#include "protocol/framing.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_server.h"
#include "tests/support/tiny_proxy.h"
#include "tests/support/tls_test_server.h"
#include "transport/http_proxy.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <gtest/gtest.h>

#include <regex>

namespace zep {
namespace {

using test::Event;
using test::FakeServer;
using test::Reply;

const std::string kGreeting = "S 220 test server ready\r\n";
const std::string kEstablished = "HTTP/1.0 200 Connection established\r\n\r\n";

std::vector<std::string> Lines(const LineList& list)
{
    return {list.begin(), list.end()};
}

class ProxyTunnelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDefaultTimeouts(5, 5);
        conn.trust.pinFile = pins.File("trust");
        conn.trust.acceptUnknown = true;
    }
    void TearDown() override { SetDefaultTimeouts(240, 240); }

    // Dials the fake proxy and asks it for a tunnel to a name only the proxy resolves.
    ImResult ConnectThrough(FakeServer& proxy, bool tls = false,
                            const std::string& host = "im.example.test")
    {
        proxy.Start();
        return ImConnect(conn, host, 8367, tls, true, "127.0.0.1", proxy.Port());
    }

    test::TempDir pins;
    ImConnection conn;
};

TEST_F(ProxyTunnelTest, RequestLineCarriesVersionLengthAndDate)
{
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n").Send(kEstablished + kGreeting).Hold();
    ASSERT_EQ(ConnectThrough(proxy), ImResult::Ok);
    ASSERT_TRUE(proxy.WaitForRequests(1));
    EXPECT_TRUE(std::regex_match(
        proxy.Requests()[0],
        std::regex("CONNECT im\\.example\\.test:8367 HTTP/1\\.0\r\nContent-Length: 0\r\n"
                   "Date: [A-Z][a-z]{2}, \\d{1,2} [A-Z][a-z]{2} \\d{4} \\d{2}:\\d{2}:\\d{2} "
                   "GMT\r\n\r\n")))
        << proxy.Requests()[0];
}

TEST_F(ProxyTunnelTest, Ipv6AddressIsBracketed)
{
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n").Send(kEstablished + kGreeting).Hold();
    ASSERT_EQ(ConnectThrough(proxy, false, "2001:db8::7"), ImResult::Ok);
    ASSERT_TRUE(proxy.WaitForRequests(1));
    EXPECT_EQ(proxy.Requests()[0].compare(0, 35, "CONNECT [2001:db8::7]:8367 HTTP/1.0"), 0)
        << proxy.Requests()[0];
}

TEST_F(ProxyTunnelTest, ServerBytesInTheProxyReplySegmentAreKept)
{
    // The greeting and a first event come in the same segment as the proxy's "200".
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n")
        .Send(kEstablished + kGreeting + Event({"NOTIFY", "Count: 1"}))
        .Answer(Reply({"250 OK"}))
        .Hold();
    ASSERT_EQ(ConnectThrough(proxy), ImResult::Ok);

    LineList event;
    ASSERT_EQ(ImReadEvent(conn, event), ImResult::Ok);
    EXPECT_EQ(Lines(event), (std::vector<std::string>{"NOTIFY", "Count: 1"}));

    LineList reply;
    ASSERT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(Lines(reply), std::vector<std::string>{"250 OK"});
    ASSERT_TRUE(proxy.WaitForRequests(2));
    EXPECT_EQ(proxy.Requests()[1], "VERSION\r\n.\r\n");
}

TEST_F(ProxyTunnelTest, ReplyOneBytePerReceiveIsAssembled)
{
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n")
        .SendInPieces("HTTP/1.1 200 OK\r\nVia: slow\r\n\r\n" + kGreeting, 1, 1)
        .Hold();
    EXPECT_EQ(ConnectThrough(proxy), ImResult::Ok);
    EXPECT_TRUE(IsConnected(conn));
}

TEST_F(ProxyTunnelTest, AProxyReplyThatTricklesTimesOutAsAWhole)
{
    SetDefaultTimeouts(0.3, 0.3);
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n").SendInPieces("HTTP/1.1 200 OK\r\nVia: slow\r\n\r\n", 1, 100).Hold();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(ConnectThrough(proxy), ImResult::Ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    proxy.Release();
}

TEST_F(ProxyTunnelTest, HeaderBlockEndingInBareLineFeedsIsAccepted)
{
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n").Send("HTTP/1.0 200 OK\nVia: lf\n\n" + kGreeting).Hold();
    EXPECT_EQ(ConnectThrough(proxy), ImResult::Ok);
}

TEST_F(ProxyTunnelTest, BodyOfDeclaredLengthIsReadBeforeTheTunnelIsUsed)
{
    // Ten body bytes, split across segments, then the server's greeting right behind them.
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n")
        .Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n01234")
        .Pause(50)
        .Send("56789" + kGreeting)
        .Answer(Reply({"250 OK"}))
        .Hold();
    ASSERT_EQ(ConnectThrough(proxy), ImResult::Ok);
    LineList reply;
    ASSERT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(Lines(reply), std::vector<std::string>{"250 OK"});
}

TEST_F(ProxyTunnelTest, BodyAndGreetingInOneSegment)
{
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n")
        .Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nS 220 fake" + kGreeting)
        .Hold();
    // The body looks like a greeting but is the proxy's; the real one follows it.
    EXPECT_EQ(ConnectThrough(proxy), ImResult::Ok);
}

struct RefusalCase
{
    const char* name;
    std::string reply;
    ImResult result;
};

class ProxyRefusalTest : public ProxyTunnelTest, public ::testing::WithParamInterface<RefusalCase>
{
};

TEST_P(ProxyRefusalTest, FailsOnceAndCloses)
{
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n").Send(GetParam().reply).Close();
    EXPECT_EQ(ConnectThrough(proxy), GetParam().result);
    EXPECT_FALSE(IsConnected(conn));
    EXPECT_EQ(conn.socket.load(), -1);
    ASSERT_TRUE(proxy.Finish());
    // No second attempt: one CONNECT only.
    EXPECT_EQ(proxy.Received().find("CONNECT", 1), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProxyRefusalTest,
    ::testing::Values(
        RefusalCase{"proxy_wants_credentials",
                    "HTTP/1.1 407 Proxy Authentication Required\r\n"
                    "Proxy-Authenticate: Basic realm=\"p\"\r\nContent-Length: 4\r\n\r\nnope",
                    ImResult::Failed},
        RefusalCase{"forbidden", "HTTP/1.0 403 Forbidden\r\n\r\n", ImResult::Failed},
        RefusalCase{"status_line_without_space", "HTTP/1.0\r\n\r\n", ImResult::NotFound},
        RefusalCase{"closed_before_header_end", "HTTP/1.0 200 OK\r\nVia: x\r\n",
                    ImResult::TransferFailed},
        RefusalCase{"closed_without_reply", "", ImResult::TransferFailed},
        RefusalCase{"declared_body_over_cap", "HTTP/1.0 200 OK\r\nContent-Length: 2000000\r\n\r\n",
                    ImResult::TransferFailed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProxyTunnelTest, HeaderBlockOverTheCapFails)
{
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n")
        .Send("HTTP/1.0 200 OK\r\nX-Filler: " + std::string(kMaxProxyHeaderBlock + 10, 'a'))
        .Hold();
    EXPECT_EQ(ConnectThrough(proxy), ImResult::TransferFailed);
    EXPECT_FALSE(IsConnected(conn));
}

TEST_F(ProxyTunnelTest, HostWithLineBreakSendsNothing)
{
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n");
    EXPECT_EQ(ConnectThrough(proxy, false, "im.example.test:1 HTTP/1.0\r\nX-Injected: yes\r\n"),
              ImResult::BadArgument);
    ASSERT_TRUE(proxy.Finish());
    EXPECT_EQ(proxy.Received(), "");
}

TEST_F(ProxyTunnelTest, ServerBytesBeforeTlsHandshakeFailIt)
{
    // In TLS the server waits for our hello: bytes before it cannot be its TLS.
    FakeServer proxy;
    proxy.ReadUntil("\r\n\r\n").Send(kEstablished + kGreeting).Hold();
    EXPECT_EQ(ConnectThrough(proxy, true), ImResult::Failed);
    EXPECT_EQ(conn.tls, nullptr);
    EXPECT_FALSE(IsConnected(conn));
}

class TinyProxyTest : public ProxyTunnelTest
{
};

TEST_F(TinyProxyTest, PlainServerThroughTheProxy)
{
    FakeServer server;
    server.Send(kGreeting).Answer(Reply({"250 OK"})).Hold();
    server.Start();
    test::TinyProxy proxy;
    ASSERT_TRUE(proxy.Start({server.Port()})) << proxy.Output();

    ASSERT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, true, "127.0.0.1", proxy.Port()),
              ImResult::Ok)
        << proxy.Output();
    LineList reply;
    ASSERT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(Lines(reply), std::vector<std::string>{"250 OK"});
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests()[0], "VERSION\r\n.\r\n");
}

TEST_F(TinyProxyTest, TlsServerThroughTheProxy)
{
    test::TlsScriptServer server(test::MakeSelfSignedCertificate("localhost"));
    server.Send(kGreeting).ReadRequest().Send(Reply({"250 OK"})).AwaitClose();
    server.Start();
    test::TinyProxy proxy;
    ASSERT_TRUE(proxy.Start({server.Port()})) << proxy.Output();

    ASSERT_EQ(ImConnect(conn, "localhost", server.Port(), true, true, "127.0.0.1", proxy.Port()),
              ImResult::Ok)
        << proxy.Output();
    EXPECT_NE(conn.tls, nullptr);
    // The certificate belongs to the server behind the proxy, and so would its pin.
    EXPECT_EQ(conn.peerTrust.verdict, TlsTrustVerdict::FirstUse);
    EXPECT_EQ(conn.peerTrust.host, "localhost");
    EXPECT_EQ(conn.peerTrust.port, server.Port());
    LineList reply;
    ASSERT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(Lines(reply), std::vector<std::string>{"250 OK"});
    ImDisconnect(conn);
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.ServerName(), "localhost");
    EXPECT_TRUE(server.PeerClosedCleanly());
}

TEST_F(TinyProxyTest, PortTheProxyDoesNotAllowIsRefused)
{
    FakeServer server;
    server.Send(kGreeting).Hold();
    server.Start();
    test::TinyProxy proxy;
    ASSERT_TRUE(proxy.Start({static_cast<std::uint16_t>(server.Port() == 1 ? 2 : 1)}));
    EXPECT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, true, "127.0.0.1", proxy.Port()),
              ImResult::Failed);
    EXPECT_FALSE(IsConnected(conn));
}

} // namespace
} // namespace zep
