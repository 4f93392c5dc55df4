// Replies and events over a real socket against the scripted fake server.

#include "protocol/framing.h"
#include "tests/support/fake_server.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace zep {
namespace {

using test::Event;
using test::FakeServer;
using test::Reply;

const std::string kGreeting = "S 220 test server ready\r\n";

class FramingTest : public ::testing::Test
{
protected:
    void SetUp() override { SetDefaultTimeouts(5, 5); }
    void TearDown() override { SetDefaultTimeouts(240, 240); }

    ImResult Connect(FakeServer& server)
    {
        server.Start();
        return ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0);
    }

    // Polls for the next event the way the receive thread does: wait without locks, then read.
    ImResult NextEvent(LineList& event, int waits = 50)
    {
        for (int i = 0; i < waits; ++i) {
            ImResult r = ImReadEvent(conn, event);
            if (r != ImResult::NothingPending)
                return r;
            ImWaitEvent(conn, kTimeout100ms);
        }
        return ImResult::NothingPending;
    }

    ImConnection conn;
};

std::vector<std::string> Lines(const LineList& list)
{
    return {list.begin(), list.end()};
}

TEST_F(FramingTest, ReplyAndStartOfEventInOneChunk)
{
    FakeServer server;
    server.Send(kGreeting)
        .ReadRequest()
        .Send(Reply({"250 OK"}) + "A PRESENCE\r\nA Email: a@b.c\r\n")
        .Hold()
        .Send("A Status: AVAILABLE\r\nA .\r\n");
    ASSERT_EQ(Connect(server), ImResult::Ok);

    LineList reply;
    ASSERT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(Lines(reply), std::vector<std::string>{"250 OK"});
    EXPECT_EQ(ImReplyResult(reply), ImResult::Ok);

    LineList event;
    EXPECT_EQ(ImReadEvent(conn, event), ImResult::NothingPending);
    server.Release();
    ASSERT_EQ(NextEvent(event), ImResult::Ok);
    EXPECT_EQ(Lines(event),
              (std::vector<std::string>{"PRESENCE", "Email: a@b.c", "Status: AVAILABLE"}));
}

TEST_F(FramingTest, ReplyReturnedBeforeTrailingPartialEventLine)
{
    // The reply is complete although the chunk does not end on ".\r\n".
    FakeServer server;
    server.Send(kGreeting)
        .ReadRequest()
        .Send(Reply({"250 OK"}) + "A NEW MA")
        .Hold()
        .Send("IL\r\nA Recent: 3\r\nA .\r\n");
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList reply;
    ASSERT_EQ(ImExchange(conn, "KA\r\nActivity: 1\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(reply.Tail(), "250 OK");
    server.Release();
    LineList event;
    ASSERT_EQ(NextEvent(event), ImResult::Ok);
    EXPECT_EQ(Lines(event), (std::vector<std::string>{"NEW MAIL", "Recent: 3"}));
}

TEST_F(FramingTest, TwoEventsInOneChunkComeOutInOrderWithoutWaiting)
{
    FakeServer server;
    server.Send(kGreeting + Event({"LOGOFF"}) + Event({"NEW MAIL", "Recent: 1"})).Hold();
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList first, second;
    ASSERT_EQ(NextEvent(first), ImResult::Ok);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ImReadEvent(conn, second), ImResult::Ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(first.Head(), "LOGOFF");
    EXPECT_EQ(Lines(second), (std::vector<std::string>{"NEW MAIL", "Recent: 1"}));
    EXPECT_EQ(ImReadEvent(conn, second), ImResult::NothingPending);
    server.Release();
}

TEST_F(FramingTest, DotStuffingIsUndoneForEventsOnly)
{
    FakeServer server;
    server.Send(kGreeting)
        .ReadRequest()
        .Send("S ..x\r\nS 250 OK\r\nS .\r\nA MESSAGE\r\nA ..x\r\nA ..\r\nA .\r\n")
        .Hold();
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList reply, event;
    ASSERT_EQ(ImExchange(conn, "GET VARIABLE\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(Lines(reply), (std::vector<std::string>{"..x", "250 OK"}));
    ASSERT_EQ(NextEvent(event), ImResult::Ok);
    EXPECT_EQ(Lines(event), (std::vector<std::string>{"MESSAGE", ".x", "."}));
    server.Release();
}

TEST_F(FramingTest, EventSplitByteByByte)
{
    FakeServer server;
    server.Send(kGreeting).SendInPieces(Event({"SESSION", "SessionId: 42", "Email: a@b,c@d"}), 1,
                                        1);
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList event;
    ASSERT_EQ(NextEvent(event, 100), ImResult::Ok);
    EXPECT_EQ(Lines(event),
              (std::vector<std::string>{"SESSION", "SessionId: 42", "Email: a@b,c@d"}));
}

TEST_F(FramingTest, ReplySplitMidLineAcrossChunks)
{
    FakeServer server;
    server.Send(kGreeting).ReadRequest().SendInPieces(Reply({"250-a:b:c", "250 OK"}), 3, 2);
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList reply;
    ASSERT_EQ(ImExchange(conn, "LIST USERS\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(Lines(reply), (std::vector<std::string>{"250-a:b:c", "250 OK"}));
}

TEST_F(FramingTest, BareTerminatorIsDiscarded)
{
    FakeServer server;
    server.Send(kGreeting + "A .\r\n" + Event({"LOGOFF"})).Hold();
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList event;
    ASSERT_EQ(NextEvent(event), ImResult::Ok);
    EXPECT_EQ(Lines(event), std::vector<std::string>{"LOGOFF"});
    server.Release();
}

TEST_F(FramingTest, PeerCloseDuringRequestDisconnects)
{
    FakeServer server;
    server.Send(kGreeting).ReadRequest().Send("S 250-partial\r\n").Close();
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList reply;
    EXPECT_EQ(ImExchange(conn, "LIST USERS\r\n.\r\n", reply), ImResult::ConnectionClosed);
    EXPECT_TRUE(reply.Empty());
    EXPECT_FALSE(IsConnected(conn));
    // A request on the closed connection fails at once.
    EXPECT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::ConnectionClosed);
}

TEST_F(FramingTest, EventsBeforeAFailedReplyAreStillHandedOut)
{
    FakeServer server;
    server.Send(kGreeting).ReadRequest().Send(Event({"NEW MAIL", "Recent: 2"}) + "S 25").Close();
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList reply, event;
    EXPECT_EQ(ImExchange(conn, "KA\r\nActivity: 5\r\n.\r\n", reply), ImResult::ConnectionClosed);
    ASSERT_EQ(ImReadEvent(conn, event), ImResult::Ok);
    EXPECT_EQ(Lines(event), (std::vector<std::string>{"NEW MAIL", "Recent: 2"}));
    EXPECT_EQ(ImReadEvent(conn, event), ImResult::ConnectionClosed);
}

// The time-out holds for the whole reply: a server that sends a byte now and then, each well
// within it, is cut off all the same.
TEST_F(FramingTest, ReplyTimeoutDisconnects)
{
    for (const bool trickle : {false, true}) {
        SCOPED_TRACE(trickle ? "a trickling reply" : "no reply");
        SetDefaultTimeouts(0.3, 0.3);
        FakeServer server;
        server.Send(kGreeting).ReadRequest();
        if (trickle)
            server.SendInPieces("S 250 4.0\r\nS .\r\n", 1, 100);
        server.Hold();
        ASSERT_EQ(Connect(server), ImResult::Ok);
        LineList reply;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::TimedOut);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
        EXPECT_FALSE(IsConnected(conn));
        server.Release();
    }
}

TEST_F(FramingTest, PartialEventNeverBlocksTheReader)
{
    FakeServer server;
    server.Send(kGreeting + "A PRESENCE\r\nA Email: x@y.z\r\n").Hold();
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList event;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ImReadEvent(conn, event), ImResult::NothingPending);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    server.Release();
}

TEST_F(FramingTest, OversizedRequestIsRefusedBeforeSending)
{
    FakeServer server;
    server.Send(kGreeting).ReadRequest().Send(Reply({"250 OK"}));
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList reply;
    std::string big = "SUBSCRIBE\r\nEmail: " + std::string(10240, 'a') + "\r\n.\r\n";
    EXPECT_EQ(ImExchange(conn, big, reply), ImResult::Failed);
    EXPECT_TRUE(IsConnected(conn));
    EXPECT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::Ok);
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests()[0], "VERSION\r\n.\r\n");
}

TEST_F(FramingTest, SecondChallengeReachesTheCallerAsFailed)
{
    FakeServer server;
    std::string challenge = Reply({"Authenticate: Foo bar", "401 Unauthorized"});
    server.Send(kGreeting).Answer(challenge).Answer(challenge);
    ASSERT_EQ(Connect(server), ImResult::Ok);
    LineList reply;
    ASSERT_EQ(ImExchange(conn, "LOGON\r\nEmail: a@b\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(ImReplyResult(reply), ImResult::Failed);
    ASSERT_TRUE(server.WaitForRequests(2));
}

TEST_F(FramingTest, StatusClassification)
{
    EXPECT_EQ(ImStatusToResult("250"), ImResult::Ok);
    EXPECT_EQ(ImStatusToResult("201"), ImResult::Ok);
    EXPECT_EQ(ImStatusToResult("401"), ImResult::Failed);
    EXPECT_EQ(ImStatusToResult("551"), ImResult::CharsetMismatch);
    EXPECT_EQ(ImStatusToResult("552"), ImResult::AlreadyPresent);
    EXPECT_EQ(ImStatusToResult("553"), ImResult::ServerCode553);
    EXPECT_EQ(ImStatusToResult("554"), ImResult::TooLarge);
    EXPECT_EQ(ImStatusToResult("555"), ImResult::ContentUnacceptable);
    EXPECT_EQ(ImStatusToResult("500"), ImResult::Failed);
    EXPECT_EQ(ImStatusToResult(""), ImResult::Failed);

    std::string code;
    EXPECT_EQ(ImReplyCode("250 OK", code), ImResult::Ok);
    EXPECT_EQ(code, "250");
    EXPECT_EQ(ImReplyCode("25", code), ImResult::NotFound);
    EXPECT_EQ(code, "");
    EXPECT_EQ(ImReplyCode("250 OK", code, 3), ImResult::NotFound);
}

} // namespace
} // namespace zep
