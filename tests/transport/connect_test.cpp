// Connecting, the greeting, name resolution and disconnecting.

#include "protocol/framing.h"
#include "tests/support/fake_server.h"
#include "transport/im_connection.h"
#include "transport/resolve.h"
#include "transport/timeouts.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep {
namespace {

class ConnectTest : public ::testing::Test
{
protected:
    void SetUp() override { SetDefaultTimeouts(5, 5); }
    void TearDown() override { SetDefaultTimeouts(240, 240); }
    ImConnection conn;
};

TEST_F(ConnectTest, GreetingAccepted)
{
    test::FakeServer server;
    server.Send("S 220 ready\r\n").Hold();
    server.Start();
    ASSERT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::Ok);
    EXPECT_TRUE(IsConnected(conn));
    EXPECT_FALSE(IsLoggedOn(conn));
    EXPECT_EQ(conn.serverHost, "127.0.0.1");
    EXPECT_EQ(conn.serverPort, server.Port());
    server.Release();
}

TEST_F(ConnectTest, GreetingWithOtherCodeFailsAndCloses)
{
    test::FakeServer server;
    server.Send("S 421 too busy\r\n").Hold();
    server.Start();
    EXPECT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::Failed);
    EXPECT_FALSE(IsConnected(conn));
    EXPECT_EQ(conn.socket.load(), -1);
    server.Release();
}

TEST_F(ConnectTest, GreetingWithoutMarkerFails)
{
    test::FakeServer server;
    server.Send("220 ready\r\n").Hold();
    server.Start();
    EXPECT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::Failed);
    server.Release();
}

TEST_F(ConnectTest, MissingGreetingTimesOut)
{
    SetDefaultTimeouts(0.2, 0.2);
    test::FakeServer server;
    server.Hold();
    server.Start();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(IsConnected(conn));
    server.Release();
}

TEST_F(ConnectTest, PeerClosingBeforeGreetingIsTransferFailed)
{
    test::FakeServer server;
    server.Send("S 2").Close();
    server.Start();
    EXPECT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0),
              ImResult::TransferFailed);
}

TEST_F(ConnectTest, RefusedPortIsConnectionClosed)
{
    // A port that was free a moment ago: nobody listens there.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t length = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    ::close(fd);
    EXPECT_EQ(ImConnect(conn, "127.0.0.1", ntohs(addr.sin_port), false, false, "", 0),
              ImResult::ConnectionClosed);
}

TEST_F(ConnectTest, UnresolvableNameIsHostNotFound)
{
    EXPECT_EQ(ImConnect(conn, "no-such-host.invalid", 8367, false, false, "", 0),
              ImResult::HostNotFound);
    EXPECT_EQ(ImConnect(conn, "", 8367, false, false, "", 0), ImResult::HostNotFound);
}

TEST_F(ConnectTest, DoubleDisconnectClosesOnce)
{
    test::FakeServer server;
    server.Send("S 220 ready\r\n").Hold();
    server.Start();
    ASSERT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::Ok);
    int fd = conn.socket.load();
    // A descriptor opened after the first disconnect may reuse the number: the second
    // disconnect must leave it alone.
    ImDisconnect(conn);
    int reused = ::dup(0);
    ImDisconnect(conn);
    EXPECT_EQ(conn.socket.load(), -1);
    if (reused == fd) {
        EXPECT_NE(fcntl(reused, F_GETFD), -1);
    }
    ::close(reused);
    server.Release();
}

TEST_F(ConnectTest, DisconnectForgetsChallengeButKeepsMethodWord)
{
    conn.auth.digestKey = "0123";
    conn.auth.realm = "r";
    conn.auth.nonceCount = 3;
    conn.auth.basicCredentials = "abc";
    ImDisconnect(conn);
    EXPECT_FALSE(conn.auth.HasDigest());
    EXPECT_FALSE(conn.auth.HasBasic());
    EXPECT_EQ(conn.auth.realm, "");
    EXPECT_EQ(conn.auth.nonceCount, 0u);
    EXPECT_EQ(conn.auth.methodWord, "IM");
}

TEST(DottedQuad, AddressesAndNames)
{
    in_addr a{};
    EXPECT_TRUE(ParseDottedQuad("192.168.1.10", &a));
    EXPECT_EQ(ntohl(a.s_addr), 0xC0A8010Au);
    EXPECT_TRUE(ParseDottedQuad("[192.168.1.10", &a));
    EXPECT_EQ(ntohl(a.s_addr), 0xC0A8010Au);
    EXPECT_TRUE(ParseDottedQuad("[10.0.0.1]", &a));
    EXPECT_TRUE(ParseDottedQuad("255.255.255.255", &a));
    EXPECT_FALSE(ParseDottedQuad("300.1.1.1", &a));
    EXPECT_FALSE(ParseDottedQuad("1.2.3", &a));
    EXPECT_FALSE(ParseDottedQuad("1.2.3.4.5", &a));
    EXPECT_FALSE(ParseDottedQuad("1.2.3.", &a));
    EXPECT_FALSE(ParseDottedQuad("a.b.c.d", &a));
    EXPECT_FALSE(ParseDottedQuad("", &a));
    EXPECT_FALSE(ParseDottedQuad("0001.2.3.4", &a));
}

TEST(Resolve, DottedQuadNeedsNoLookupAndNamesDo)
{
    std::vector<ResolvedAddress> out;
    ASSERT_EQ(ResolveHost("[127.0.0.1", 8367, 1000000, out), ImResult::Ok);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].address.ss_family, AF_INET);
    // 300.1.1.1 is not an address, so it goes to the resolver, which knows no such name.
    EXPECT_EQ(ResolveHost("300.1.1.1", 8367, 5000000, out), ImResult::HostNotFound);
    ASSERT_EQ(ResolveHost("localhost", 8367, 5000000, out), ImResult::Ok);
    EXPECT_FALSE(out.empty());
}

} // namespace
} // namespace zep
