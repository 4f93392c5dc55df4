// Stopping a thread that waits on the network: the connection's cancel descriptor ends every
// wait at once, and stays in force until it is reset.

#include "protocol/framing.h"
#include "tests/support/fake_server.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace zep {
namespace {

using namespace std::chrono_literals;

struct CancelCase
{
    const char* name;
    // What the server does once the client is connected.
    std::function<void(test::FakeServer&)> script;
    // The blocking operation; it runs on a thread of its own.
    std::function<ImResult(ImConnection&, std::uint16_t port)> operation;
};

ImResult Connect(ImConnection& conn, std::uint16_t port)
{
    return ImConnect(conn, "127.0.0.1", port, false, false, "", 0);
}

const CancelCase kCases[] = {
    {"connect waiting for a greeting that never comes", [](test::FakeServer& s) { s.Hold(); },
     [](ImConnection& c, std::uint16_t port) { return Connect(c, port); }},
    {"exchange waiting for a reply that never comes",
     [](test::FakeServer& s) { s.Send("S 220 ready\r\n").ReadRequest().Hold(); },
     [](ImConnection& c, std::uint16_t port) {
         if (Connect(c, port) != ImResult::Ok)
             return ImResult::Failed;
         LineList reply;
         return ImExchange(c, "VERSION\r\n.\r\n", reply);
     }},
    {"event wait on a silent connection",
     [](test::FakeServer& s) { s.Send("S 220 ready\r\n").Hold(); },
     [](ImConnection& c, std::uint16_t port) {
         if (Connect(c, port) != ImResult::Ok)
             return ImResult::Failed;
         return ImWaitEvent(c, kTimeoutDefault);
     }},
};

class Cancel : public ::testing::TestWithParam<CancelCase>
{
protected:
    // The real time-outs: a wait that is not cut short would take minutes.
    void SetUp() override { SetDefaultTimeouts(240, 240); }
};

TEST_P(Cancel, EndsTheWaitAtOnceAndHoldsUntilReset)
{
    test::FakeServer server;
    GetParam().script(server);
    server.Start();
    ImConnection conn;
    auto result =
        std::async(std::launch::async, [&] { return GetParam().operation(conn, server.Port()); });
    // Give the operation time to reach its wait; cancelling earlier must work as well.
    ASSERT_EQ(result.wait_for(100ms), std::future_status::timeout) << GetParam().name;
    const auto cancelled = std::chrono::steady_clock::now();
    ImShutdown(conn);
    ASSERT_EQ(result.wait_for(2s), std::future_status::ready) << GetParam().name;
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 200ms) << GetParam().name;
    EXPECT_NE(result.get(), ImResult::Ok) << GetParam().name;
    EXPECT_TRUE(ImCancelled(conn));
    ImDisconnect(conn);
    server.Release();
    server.Finish();

    // Until reset, a new attempt fails at once; after the reset it works.
    test::FakeServer next;
    next.Send("S 220 ready\r\n").Hold();
    next.Start();
    EXPECT_NE(Connect(conn, next.Port()), ImResult::Ok);
    ImResetCancel(conn);
    EXPECT_FALSE(ImCancelled(conn));
    EXPECT_EQ(Connect(conn, next.Port()), ImResult::Ok);
    next.Release();
}

INSTANTIATE_TEST_SUITE_P(Waits, Cancel, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

} // namespace
} // namespace zep
