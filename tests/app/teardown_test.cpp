// Stopping the frame's worker and the logged-on view while the network does not answer: the UI
// thread returns at once, whatever the server does.
#include "app/main_frame.h"
#include "app/zepim_view.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/demo_account.h"
#include "tests/support/fake_server.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "transport/timeouts.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>

namespace zep {
namespace {

using namespace std::chrono_literals;

constexpr auto kPrompt = 200ms;

class Teardown : public ::testing::Test
{
protected:
    // The real time-outs: only the cancel can end these waits in time.
    void SetUp() override { SetDefaultTimeouts(240, 240); }

    test::ScratchHome home;
    ClientConnection connection;
};

TEST_F(Teardown, LogOffDuringAConnectThatNeverGetsItsGreetingReturnsAtOnce)
{
    test::FakeServer server;
    std::atomic<bool> accepted{false};
    server.Do([&](int) { accepted = true; }).Hold();
    server.Start();
    test::SaveDemoAccount(server.Port());
    FrameOptions options;
    options.trayIcon = false;
    CMainFrame frame(connection, options);
    frame.StartFirstView(true);
    ASSERT_TRUE(test::WaitUntil([&] { return accepted.load(); }));
    ASSERT_TRUE(frame.WorkerRunning());
    const auto start = std::chrono::steady_clock::now();
    frame.OnRegisteredMessage(uwm::Logoff(), 0, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPrompt);
    EXPECT_FALSE(frame.WorkerRunning());
    EXPECT_EQ(frame.CurrentView(), ViewKind::Logon);
    server.Release();
}

TEST_F(Teardown, ViewShutdownDuringAFillThatNeverGetsItsReplyReturnsAtOnce)
{
    test::FakeServer server;
    server.Send("S 220 ready\r\n").ReadRequest().Hold();
    server.Start();
    ConnectSettings where;
    where.server = "127.0.0.1";
    where.port = server.Port();
    ASSERT_EQ(connection.Connect(where), 0);
    CZepimView view(connection, nullptr, 1);
    ASSERT_TRUE(server.WaitForRequests(1)); // LIST CONTACTS is out and will never be answered
    const auto start = std::chrono::steady_clock::now();
    view.Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPrompt);
    EXPECT_FALSE(view.Filled());
    server.Release();
}

// The user's log-off leaves every open conversation before the connection goes; a server that
// does not answer a LEAVE holds the log-off up for two seconds at most.
TEST_F(Teardown, LogOffLeavesTheOpenConversationsFirstWithinTwoSeconds)
{
    using test::Event;
    using test::Reply;
    struct Row
    {
        const char* name;
        bool answered;
        std::vector<std::string> leaves; // the requests after the fill
    };
    const std::vector<Row> rows = {
        {"a server that answers",
         true,
         {"LEAVE\r\nSessionId: s1\r\n.\r\n", "LEAVE\r\nSessionId: s2\r\n.\r\n"}},
        {"a server that never answers", false, {"LEAVE\r\nSessionId: s1\r\n.\r\n"}},
    };
    SetDefaultTimeouts(30, 30);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeServer server;
        server.Send("S 220 ready\r\n")
            .Answer(Reply({"250 4.0"}))
            .Answer(Reply({"250-9:Anna:anna%40example.com", "250 OK"}))
            .Answer(Reply({"250 OK"}))
            .Answer(Reply({"1:Ben:ben%40x.org", "2:Cy:cy%40x.org", "250 OK"}))
            .Answer(Reply({"250-ben%40x.org:AVAILABLE" + std::string(14, ':'),
                           "250-cy%40x.org:AVAILABLE" + std::string(14, ':'), "250 OK"}))
            .Answer(Reply({"250 0"}));
        for (const char* id : {"s1", "s2"})
            server.Send(Event({"SESSION", std::string("SessionId: ") + id, "Email: ben@x.org"}) +
                        Event({"MESSAGE", std::string("SessionId: ") + id, "From: ben@x.org", "",
                               "hello"}));
        if (row.answered)
            server.Answer(Reply({"250 OK"})).Answer(Reply({"250 OK"}));
        else
            server.ReadRequest();
        server.Hold();
        server.Start();
        test::SaveDemoAccount(server.Port());
        FrameOptions options;
        options.trayIcon = false;
        CMainFrame frame(connection, options);
        frame.StartFirstView(true);
        ASSERT_TRUE(test::WaitUntil([&] {
            auto* view = qobject_cast<CZepimView*>(frame.View());
            return view && view->Conversations().size() == 2 &&
                   view->Conversations()[1]->isVisible();
        }));
        const std::size_t before = server.Requests().size();
        const auto start = std::chrono::steady_clock::now();
        frame.OnLogOut();
        ASSERT_TRUE(test::WaitUntil([&] { return frame.CurrentView() == ViewKind::Logon; }));
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, row.answered ? 1s : 3s);
        server.Release();
        ASSERT_TRUE(server.Finish());
        const std::vector<std::string> requests = server.Requests();
        EXPECT_EQ(std::vector<std::string>(requests.begin() + before, requests.end()), row.leaves);
        test::CloseConversationWindows();
    }
    SetDefaultTimeouts(240, 240);
}

} // namespace
} // namespace zep
