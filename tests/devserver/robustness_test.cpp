// Bad input never crashes the server or stalls other clients: huge requests, endless lines,
// garbage, half-closed sockets and clients that never read.
#include "net_client.h"

#include <gtest/gtest.h>

#include <random>

namespace zep::devserver::test {
namespace {

class RobustnessTest : public ::testing::Test
{
protected:
    std::unique_ptr<NetClient> LoggedOn(const std::string& email, const std::string& password)
    {
        auto client = std::make_unique<NetClient>();
        EXPECT_TRUE(client->Connect(server_.Port()));
        EXPECT_EQ(client->Logon(email, password).status, "250 OK");
        return client;
    }

    ServerThread server_;
};

TEST_F(RobustnessTest, RequestOver64MiBIsRefusedAndTheConnectionStaysUsable)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    const std::string session =
        anna->Exchange("INVITE", {{"Email", "echo@example.com"}}).status.substr(4);
    anna->SendRaw("MESSAGE\r\nMessageType: im\r\nSessionId: " + session + "\r\n\r\n", true);
    const std::string line(1024 * 1024 - 2, 'z');
    for (int i = 0; i < 65; ++i)
        anna->SendRaw(line + "\r\n");
    anna->SendRaw(".\r\n");
    auto reply = anna->ReadReply(30s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Code(), "554");
    EXPECT_EQ(anna->Exchange("KA", {{"Activity", "1"}}).status, "250 2");
}

TEST_F(RobustnessTest, EndlessLineFromOneClientDoesNotStallAnother)
{
    NetClient flooder;
    ASSERT_TRUE(flooder.Connect(server_.Port()));
    auto ben = LoggedOn("ben@example.com", "ben123");
    const std::string chunk(256 * 1024, 'q');
    for (int i = 0; i < 40; ++i) {
        flooder.SendRaw(chunk); // 10 MiB, no line feed anywhere
        ASSERT_EQ(ben->Exchange("KA", {{"Activity", std::to_string(i)}}).Code(), "250");
    }
    flooder.SendRaw("\r\n.\r\nVERSION\r\n.\r\n");
    auto refused = flooder.ReadReply(10s);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->Code(), "500");
    auto version = flooder.ReadReply();
    ASSERT_TRUE(version);
    EXPECT_EQ(version->status, "250 4.0");
}

TEST_F(RobustnessTest, GarbageBytesGetErrorsNotACrash)
{
    NetClient c;
    ASSERT_TRUE(c.Connect(server_.Port()));
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 200000; ++i)
        garbage += static_cast<char>(random() % 256);
    garbage += "\r\nS .\r\nA .\r\n\0\0\r\n";
    c.SendRaw(garbage);
    c.SendRaw("\r\n.\r\n\r\nVERSION\r\n.\r\n");
    std::optional<WireReply> reply;
    do {
        reply = c.ReadReply(10s);
    } while (reply && reply->status != "250 4.0");
    ASSERT_TRUE(reply) << "the server stopped answering";
    NetClient other;
    ASSERT_TRUE(other.Connect(server_.Port()));
    EXPECT_EQ(other.Exchange("VERSION").status, "250 4.0");
}

TEST_F(RobustnessTest, HalfClosedClientStillGetsItsReply)
{
    NetClient c;
    ASSERT_TRUE(c.Connect(server_.Port()));
    c.SendRaw("VERSION\r\n.\r\nVERSION\r\n.\r\n");
    c.ShutdownWrite();
    auto first = c.ReadReply();
    auto second = c.ReadReply();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(second->status, "250 4.0");
    EXPECT_TRUE(c.WaitClosed());
}

TEST_F(RobustnessTest, ClientThatNeverReadsDoesNotStallOthers)
{
    auto reader = LoggedOn("carla@example.com", "carla123");
    auto lazy = LoggedOn("anna@example.com", "anna123");
    // Pipeline a flood of requests whose replies are never read; the server stops taking them
    // once the unread replies pile up, and the sending thread blocks in its socket.
    std::string batch;
    for (int i = 0; i < 2000; ++i)
        batch += lazy->Auth().Apply(FormatRequest("LIST USERS", {}));
    std::atomic<bool> stop{false};
    std::thread flood([&] {
        while (!stop.load())
            lazy->SendRaw(batch);
    });
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(reader->Exchange("LIST USERS").data.size(), 5u);
    stop.store(true);
    lazy->ShutdownBoth(); // ends the blocked send
    flood.join();
    lazy.reset();
    EXPECT_EQ(reader->Exchange("KA", {{"Activity", "1"}}).Code(), "250");
}

} // namespace
} // namespace zep::devserver::test
