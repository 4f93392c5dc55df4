// Stopping the frame's worker and the logged-on view while the network does not answer: the UI
// thread returns at once, whatever the server does.
#include "client_connection.h"
#include "demo_account.h"
#include "main_frame.h"
#include "password_scramble.h"
#include "qt_wait.h"
#include "scratch_home.h"
#include "settings.h"
#include "tests/fixtures/fake_server.h"
#include "transport/timeouts.h"
#include "zepim_view.h"

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

} // namespace
} // namespace zep
