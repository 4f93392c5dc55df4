// The messenger against a real zep-devserver behind a relay that damages the line, and behind
// proxies that refuse or talk nonsense: no crash, no hang, a clear message where the user
// started the logon, a new logon by itself after a lost connection, and nothing the user typed
// lost.
#include "app/main_frame.h"
#include "app/views.h"
#include "app/zepim_view.h"
#include "conversations/message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "session/view_session.h"
#include "tests/support/demo_account.h"
#include "tests/support/dev_server.h"
#include "tests/support/fake_server.h"
#include "tests/support/fault_relay.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "transport/timeouts.h"
#include "ui/display_texts.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <optional>

namespace zep {
namespace {

using namespace std::chrono_literals;
using Fault = test::FaultRelay::Fault;

std::unique_ptr<CMainFrame> UserStartedLogon(ClientConnection& connection)
{
    FrameOptions options;
    options.reconnect = ReconnectPolicy::Fixed(100ms);
    options.trayIcon = false;
    options.watchNetwork = false;
    auto frame = std::make_unique<CMainFrame>(connection, options);
    frame->show();
    frame->StartFirstView(false);
    frame->OnRegisteredMessage(uwm::Logon(), 0, 0); // retries armed
    return frame;
}

// An event whose lines add up to more than the messenger ever holds for one event.
std::string OversizedEvent()
{
    const std::string line = "A " + std::string(1022, 'x') + "\r\n";
    std::string event = "A MESSAGE\r\nA SessionId: huge\r\n";
    event.reserve(65u * 1024u * 1024u + 64u);
    for (int i = 0; i < 65 * 1024; ++i)
        event += line;
    return event + "A .\r\n";
}

class LineFaults : public ::testing::Test
{
protected:
    void SetUp() override { SetDefaultTimeouts(3, 3); }
    void TearDown() override
    {
        frame.reset();
        test::CloseConversationWindows();
        CurrentViewTiming() = ViewTiming{};
        SetDefaultTimeouts(240, 240);
    }

    test::ScratchHome home;
    test::DevServer server;
    ClientConnection connection;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(LineFaults, TheMessengerSurvivesAndKeepsWhatWasTyped)
{
    enum class When
    {
        Logon, // the first bytes the server sends
        Send,  // the reply to a message on its way
        Idle,  // while nothing is asked
    };
    struct Row
    {
        const char* name;
        bool byteByByte;
        When when;
        std::optional<Fault> fault;
        bool oversized;     // a 64 MiB event arrives instead
        bool fastKeepAlive; // the keep-alive comes every half second
        bool lost;          // the messenger gives the connection up and logs on again
    } rows[] = {
        {"a server that sends a byte at a time", true, When::Send, {}, false, false, false},
        {"closed in the middle of the greeting", false, When::Logon, Fault::Close, false, false,
         true},
        {"closed in the middle of a reply", false, When::Send, Fault::Close, false, false, true},
        {"garbage in place of a reply", false, When::Send, Fault::Garbage, false, false, true},
        {"a server that stops answering", false, When::Idle, Fault::Silence, false, true, true},
        {"an event of more than 64 MiB", false, When::Idle, {}, true, false, true},
    };
    ASSERT_TRUE(server.Up());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::FaultRelay relay(static_cast<std::uint16_t>(server.Port()));
        ASSERT_NE(relay.Port(), 0);
        relay.SetByteByByte(row.byteByByte);
        CurrentViewTiming().keepAliveInterval = row.fastKeepAlive ? 500ms : 60s;
        test::SaveDemoAccount(relay.Port());
        if (row.when == When::Logon)
            relay.Arm(*row.fault);
        frame = UserStartedLogon(connection);
        QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
        ASSERT_TRUE(test::WaitUntil([&] { return frame->CurrentView() == ViewKind::Main; }, 20s));
        if (row.when == When::Logon) {
            // The first attempt failed where the user saw it; the retry logged on by itself.
            EXPECT_GE(relay.Accepted(), 2);
            ASSERT_EQ(shown.count(), 1);
            EXPECT_EQ(shown.at(0).at(0).toString(), text::ConnectFailed());
            EXPECT_EQ(Settings().ReadInt(setting::SavePassword, 0), 1);
            frame.reset();
            connection.Disconnect();
            continue;
        }
        auto* view = qobject_cast<CZepimView*>(frame->View());
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(test::WaitUntil([&] { return view->Filled(); }));
        view->StartConversation(u"echo@example.com");
        QPointer<conversations::MessageWindow> window;
        ASSERT_TRUE(test::WaitUntil([&] {
            const auto open = view->Conversations();
            return open.size() == 1 && (window = open.front()) != nullptr;
        }));
        ASSERT_TRUE(window->isVisible());

        if (row.when == When::Send) {
            if (row.fault)
                relay.Arm(*row.fault);
            window->Input()->setPlainText(QStringLiteral("sent into the fault"));
            window->Send();
        } else if (row.fault) {
            relay.Arm(*row.fault);
        } else {
            ASSERT_TRUE(relay.Inject(OversizedEvent()));
        }
        window->Input()->insertPlainText(QStringLiteral("typed meanwhile"));

        if (!row.lost) {
            // Our line and Echo's copy of it.
            ASSERT_TRUE(test::WaitUntil([&] {
                const std::string h = window->History()->toPlainText().toStdString();
                const auto first = h.find("sent into the fault");
                return first != std::string::npos &&
                       h.find("sent into the fault", first + 1) != std::string::npos;
            })) << window->History()->toPlainText().toStdString();
            EXPECT_EQ(window->Input()->toPlainText(), QStringLiteral("typed meanwhile"));
            EXPECT_EQ(relay.Accepted(), 1);
        } else {
            QPointer<CZepimView> old = view;
            ASSERT_TRUE(test::WaitUntil([&] { return old.isNull(); }, 20s));
            ASSERT_TRUE(
                test::WaitUntil([&] { return frame->CurrentView() == ViewKind::Main; }, 20s));
            EXPECT_GE(relay.Accepted(), 2);
            EXPECT_TRUE(connection.IsLoggedOn());
            EXPECT_EQ(shown.count(), 0) << "a lost connection is no error of the user's";
            ASSERT_FALSE(window.isNull()) << "the conversation stays with the user";
            EXPECT_TRUE(window->SessionEnded());
            // A message whose reply never came goes back in front of what was typed since.
            const QString kept = window->Input()->toPlainText();
            EXPECT_EQ(kept, row.when == When::Send ? "sent into the fault\ntyped meanwhile"
                                                   : "typed meanwhile")
                << window->History()->toPlainText().toStdString();
        }
        frame.reset();
        test::CloseConversationWindows();
        connection.Disconnect();
    }
}

// A proxy in the way of a user-started logon: refused, nonsense or never finished, the user is
// told the connection failed and keeps the saved account.
TEST(ProxyFaults, ARefusingOrBrokenProxyIsAConnectFailure)
{
    struct Row
    {
        const char* name;
        std::string answer;
        bool close;
    } rows[] = {
        {"407", "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n",
         false},
        {"garbage", std::string("\x00\x01\xfe garbage\r\n\r\n", 15), false},
        {"header block never ends", std::string(100 * 1024, 'h'), false},
        {"closed in the middle of the status line", "HTTP/1.1 20", true},
    };
    SetDefaultTimeouts(3, 3);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::ScratchHome home;
        test::FakeServer proxy;
        proxy.ReadUntil("\r\n\r\n").Send(row.answer);
        if (row.close)
            proxy.Close();
        else
            proxy.Hold();
        proxy.Start();
        test::SaveDemoAccount(5222);
        Settings s;
        s.WriteInt(setting::UseProxy, 1);
        s.WriteText(setting::ProxyServer, "127.0.0.1");
        s.WriteInt(setting::ProxyPort, proxy.Port());
        ClientConnection connection;
        auto frame = UserStartedLogon(connection);
        QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
        ASSERT_TRUE(test::WaitUntil([&] { return shown.count() == 1; }, 10s));
        EXPECT_EQ(shown.at(0).at(0).toString(), text::ConnectFailed());
        EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
        ASSERT_FALSE(proxy.Requests().empty());
        EXPECT_EQ(proxy.Requests().front().rfind("CONNECT 127.0.0.1:5222 ", 0), 0u)
            << proxy.Requests().front();
        EXPECT_FALSE(connection.IsLoggedOn());
        EXPECT_EQ(Settings().ReadText(setting::Email), "anna@example.com");
        EXPECT_EQ(Settings().ReadInt(setting::SavePassword, 0), 1);
        frame.reset();
        proxy.Release();
    }
    SetDefaultTimeouts(240, 240);
}

} // namespace
} // namespace zep
