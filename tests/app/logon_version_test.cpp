// The version check of the logon against a scripted server: another version is the version
// failure, a connection lost on the way is a connect failure.
#include "app/main_frame.h"
#include "session/client_connection.h"
#include "session/settings.h"
#include "tests/support/fake_server.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "ui/display_texts.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace zep {
namespace {

using namespace std::chrono_literals;

// No notification area (tests must not depend on one) and the given reconnect interval.
FrameOptions QuietFrame(std::chrono::milliseconds reconnect)
{
    FrameOptions options;
    options.reconnect = ReconnectPolicy::Fixed(reconnect);
    options.trayIcon = false;
    return options;
}

class VersionCheck : public ::testing::Test
{
protected:
    test::ScratchHome home;
    ClientConnection connection;
};

TEST_F(VersionCheck, AnotherVersionGivesTheVersionText)
{
    test::FakeServer fake;
    fake.Send("S 220 ready\r\n").Answer(test::Reply({"250 4.0.1"})).Hold();
    fake.Start();
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, fake.Port());
    s.WriteText(setting::Email, "anna@example.com");
    s.WriteText(setting::Password, "anna123");
    s.WriteInt(setting::SavePassword, 1);
    CMainFrame frame(connection, QuietFrame(60s));
    QSignalSpy shown(&frame, &CMainFrame::messageShown);
    frame.StartFirstView(true);
    ASSERT_TRUE(test::WaitUntil([&] { return shown.count() == 1; }));
    EXPECT_EQ(shown.at(0).at(0).toString(), text::IncompatibleVersion());
    EXPECT_EQ(frame.CurrentView(), ViewKind::Logon);
    EXPECT_EQ(Settings().ReadInt(setting::SavePassword, 0), 1) << "no refusal: kept";
    fake.Release();
}

TEST_F(VersionCheck, ConnectionClosedDuringVersionIsAConnectFailure)
{
    test::FakeServer fake;
    fake.Send("S 220 ready\r\n").ReadRequest().Close();
    fake.Start();
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, fake.Port());
    s.WriteText(setting::Email, "anna@example.com");
    s.WriteText(setting::Password, "anna123");
    s.WriteInt(setting::SavePassword, 1);
    CMainFrame frame(connection, QuietFrame(60s));
    QSignalSpy shown(&frame, &CMainFrame::messageShown);
    frame.StartFirstView(true);
    ASSERT_TRUE(test::WaitUntil([&] { return shown.count() == 1; }));
    EXPECT_EQ(shown.at(0).at(0).toString(), text::ConnectFailed());
}

} // namespace
} // namespace zep
