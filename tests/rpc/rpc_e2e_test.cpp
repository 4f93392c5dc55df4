// The control service with a frame logged on to a real zep-devserver, called over a private
// session bus: contact details by the contact menu's rules, the send procedures answered once
// their window is there, log-off and logon from outside, and the state signal.
#include "bus_client.h"
#include "contacts/own_status.h"
#include "desktop/rpc_service.h"
#include "tests/support/view_fixture.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace zep {
namespace {

using test::BusClient;
using test::StateListener;
using test::WaitUntil;

// 255 characters exactly: the longest address a contact can have.
const std::string kLongAddress = std::string(243, 'l') + "@example.com";

std::string UsersJson()
{
    return R"({"users": [
  {"id": 1, "email": "anna@example.com", "name": "Anna Berg", "password": "anna123",
   "home_mobile": "+44 7700 900111", "work_pager": "+44 7623 900101",
   "sms_allowed": true, "pager_allowed": true,
   "contacts": ["ben@example.com", "dana@example.com", "echo@example.com", ")" +
           kLongAddress + R"("]},
  {"id": 2, "email": "ben@example.com", "name": "Ben Okafor", "password": "ben123",
   "contacts": ["anna@example.com"]},
  {"id": 4, "email": "echo@example.com", "name": "Echo", "password": "echo-nobody",
   "echo": true},
  {"id": 5, "email": "dana@example.com", "name": "Dana Novak", "password": "dana123",
   "work_mobile": "+44 7700 900105", "work_pager": "+44 7623 900105",
   "contact_method": "WORKSMS"},
  {"id": 6, "email": ")" +
           kLongAddress + R"(", "name": "Long", "password": "long123"}
]})";
}

class RpcLoggedOn : public ::testing::Test
{
protected:
    static std::string UsersFile(const test::TempDir& dir)
    {
        dir.Write("users.json", UsersJson());
        return dir.File("users.json");
    }
    void SetUp() override
    {
        ASSERT_GT(server.Port(), 0);
        Settings s;
        s.WriteText(setting::Server, "127.0.0.1");
        s.WriteInt(setting::Port, server.Port());
        s.WriteText(setting::Email, "anna@example.com");
        s.WriteText(setting::Password, QString::fromStdString(PasswordScramble("anna123")));
        s.WriteInt(setting::SavePassword, 1);
        FrameOptions options;
        options.trayIcon = false;
        frame = std::make_unique<CMainFrame>(connection, options);
        frame->show();
        frame->StartFirstView(true);
        ASSERT_TRUE(LoggedOnAndFilled());
        StartRpcService(*frame);
        ASSERT_TRUE(RpcServiceRunning());
    }
    void TearDown() override
    {
        StopRpcService();
        frame.reset();
        std::vector<QPointer<QWidget>> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<conversations::MessageWindow*>(w))
                windows.emplace_back(w);
        for (const QPointer<QWidget>& w : windows)
            delete w.data();
    }
    bool LoggedOnAndFilled()
    {
        return WaitUntil([&] {
            auto* view = qobject_cast<CZepimView*>(frame->View());
            return frame->CurrentView() == ViewKind::Main && view != nullptr && view->Filled();
        });
    }
    CZepimView* View() const { return qobject_cast<CZepimView*>(frame->View()); }
    QList<int> Details(const std::string& address)
    {
        return BusClient::Numbers(
            client.Call("GetContactDetails", {QString::fromStdString(address)}));
    }

    test::ScratchHome home;
    test::TempDir files;
    DevServer server{{"--users", UsersFile(files)}};
    ClientConnection connection;
    std::unique_ptr<CMainFrame> frame;
    BusClient client;
};

struct DetailsRow
{
    const char* name;
    std::string address;
    // Result, Status, SubStatus, CanSendIm, CanSendSms, CanSendPager, Known.
    QList<int> reply;
};

TEST_F(RpcLoggedOn, ContactDetailsFollowTheContactMenu)
{
    const QList<int> none = {207, 0, 0, 0, 0, 0, 0};
    const std::vector<DetailsRow> rows = {
        {"online contact, user available", "echo@example.com", {0, 0, 0, 1, 0, 0, 1}},
        {"letter case differs", "ECHO@Example.COM", {0, 0, 0, 1, 0, 0, 1}},
        {"offline with a work mobile and a pager", "dana@example.com", {0, 1, 0, 0, 1, 1, 1}},
        {"offline without any number", "ben@example.com", {0, 1, 0, 0, 0, 0, 1}},
        {"not a contact", "nobody@example.com", none},
        {"the user's own address is no contact", "anna@example.com", none},
        {"a 255-character address", kLongAddress, {0, 1, 0, 0, 0, 0, 1}},
        {"the same with more after it: not cut to a match", kLongAddress + "-and-more", none},
        {"300 characters", std::string(300, 'a'), none},
        {"a prefix of an address", "echo@example", none},
        {"non-ASCII text",
         "\xc3\xa9"
         "cho@example.com",
         none},
    };
    for (const DetailsRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Details(row.address), row.reply);
    }
}

TEST_F(RpcLoggedOn, DoNotDisturbAndOwnStatusTakeTheInstantMessageAway)
{
    auto ben = std::make_unique<ClientConnection>();
    ConnectSettings where;
    where.server = "127.0.0.1";
    where.port = static_cast<std::uint16_t>(server.Port());
    ASSERT_EQ(ben->Connect(where), 0);
    ASSERT_EQ(ben->Logon("ben@example.com", "ben123"), LogonAnswer::Accepted);
    {
        std::lock_guard app(ben->AppLock());
        ASSERT_EQ(
            ImPresence(*ben->Connection(), PresenceStatus::Available, SubStatus::DoNotDisturb),
            ImResult::Ok);
    }
    ASSERT_TRUE(WaitUntil([&] {
        const auto row = View()->FindContactRow(u"ben@example.com");
        return row && row->Kind == ContactDisplayKind::OnlineContact;
    }));
    EXPECT_EQ(Details("ben@example.com"), (QList<int>{0, 0, 3, 0, 0, 0, 1}));

    View()->SendStatus(contacts::command::Offline);
    ASSERT_TRUE(WaitUntil([&] { return View()->Own().status == PresenceStatus::Unavailable; }));
    EXPECT_EQ(Details("echo@example.com"), (QList<int>{0, 0, 0, 0, 0, 0, 1}));
    // The user's own numbers still allow the offline channels.
    EXPECT_EQ(Details("dana@example.com"), (QList<int>{0, 1, 0, 0, 1, 1, 1}));
}

TEST_F(RpcLoggedOn, InstantMessageIsAnsweredOnceTheConversationIsOpen)
{
    EXPECT_EQ(BusClient::Numbers(
                  client.Call("SendInstantMessage", {QStringLiteral("nobody@example.com")})),
              QList<int>{207});
    EXPECT_EQ(
        BusClient::Numbers(client.Call("SendInstantMessage", {QString(300, QLatin1Char('e'))})),
        QList<int>{207});
    EXPECT_TRUE(View()->Conversations().empty());

    const QDBusMessage reply =
        client.Call("SendInstantMessage", {QStringLiteral("Echo@Example.com")});
    EXPECT_EQ(BusClient::Numbers(reply), QList<int>{0});
    // The reply came after the server's INVITE answer: the window is already there.
    const auto open = View()->Conversations();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_TRUE(open.front()->IsOneToOneWith(u"echo@example.com"));
    EXPECT_TRUE(open.front()->isVisible());

    // A second request raises that window instead of inviting again.
    EXPECT_EQ(
        BusClient::Numbers(client.Call("SendInstantMessage", {QStringLiteral("echo@example.com")})),
        QList<int>{0});
    EXPECT_EQ(View()->Conversations().size(), 1u);
}

struct SendRow
{
    const char* name;
    const char* method;
    QString address;
    int result;
    // Offline windows open after the call.
    std::size_t windows;
};

TEST_F(RpcLoggedOn, OfflineMessageProceduresOpenTheirWindow)
{
    const std::vector<SendRow> rows = {
        {"sms to a contact", "SendSmsMessage", QStringLiteral("dana@example.com"), 0, 1},
        {"pager to a contact", "SendPagerMessage", QStringLiteral("DANA@example.com"), 0, 2},
        {"email to a contact", "SendEmailMessage", QStringLiteral("ben@example.com"), 0, 3},
        {"sms to a stranger", "SendSmsMessage", QStringLiteral("nobody@example.com"), 207, 3},
        {"email, over-long", "SendEmailMessage", QString(256, QLatin1Char('b')), 207, 3},
        {"sms to the same contact again", "SendSmsMessage", QStringLiteral("Dana@example.com"), 0,
         3},
        {"email to the same contact again", "SendEmailMessage", QStringLiteral("ben@example.com"),
         0, 3},
        {"email to a contact with an sms open", "SendEmailMessage",
         QStringLiteral("dana@example.com"), 0, 4},
    };
    for (const SendRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(BusClient::Numbers(client.Call(row.method, {row.address})),
                  QList<int>{row.result});
        EXPECT_EQ(frame->OfflineWindows().size(), row.windows);
    }
}

// However often a caller asks, the offline windows stop at the frame's limit: busy (1).
TEST_F(RpcLoggedOn, OfflineWindowsBeyondTheLimitAreRefused)
{
    for (std::size_t i = 0; i < CMainFrame::kMaxOfflineWindows; ++i) {
        ContactRecord contact;
        contact.email = u"filler" + std::u16string(i + 1, u'x') + u"@example.com";
        ASSERT_EQ(frame->OpenOfflineMessage(contacts::OfflineKind::Email, contact, View()->Own()),
                  0);
    }
    EXPECT_EQ(
        BusClient::Numbers(client.Call("SendEmailMessage", {QStringLiteral("ben@example.com")})),
        QList<int>{1});
    EXPECT_EQ(frame->OfflineWindows().size(), CMainFrame::kMaxOfflineWindows);
    // A window already open is still brought to the front.
    ContactRecord first;
    first.email = u"fillerx@example.com";
    EXPECT_EQ(frame->OpenOfflineMessage(contacts::OfflineKind::Email, first, View()->Own()), 0);
    EXPECT_EQ(frame->OfflineWindows().size(), CMainFrame::kMaxOfflineWindows);
}

TEST_F(RpcLoggedOn, LogOutAndLogInFromOutside)
{
    StateListener listener;
    ASSERT_TRUE(client.Bus().connect(
        QString::fromLatin1(rpc::kBusName), QString::fromLatin1(rpc::kObjectPath),
        QString::fromLatin1(rpc::kInterfaceName), QString::fromLatin1(rpc::kStateChangedSignal),
        &listener, SLOT(OnState(uchar, uchar))));
    EXPECT_EQ(BusClient::Numbers(client.Call("GetMessengerState")), (QList<int>{0, 1, 1}));

    // Answered before the log-off is done: the view is still there when the reply comes.
    EXPECT_EQ(BusClient::Numbers(client.Call("LogOut")), QList<int>{0});
    ASSERT_TRUE(WaitUntil([&] { return frame->CurrentView() == ViewKind::Logon; }));
    EXPECT_EQ(BusClient::Numbers(client.Call("GetMessengerState")), (QList<int>{0, 1, 0}));
    EXPECT_EQ(Details("echo@example.com"), (QList<int>{207, 0, 0, 0, 0, 0, 0}));

    EXPECT_EQ(BusClient::Numbers(client.Call("LogIn")), QList<int>{0});
    ASSERT_TRUE(LoggedOnAndFilled());
    EXPECT_EQ(Details("echo@example.com"), (QList<int>{0, 0, 0, 1, 0, 0, 1}));
    ASSERT_TRUE(WaitUntil([&] { return listener.seen.size() >= 2; }));
    const std::vector<std::pair<int, int>> expected = {{1, 0}, {1, 1}};
    EXPECT_EQ(listener.seen, expected);
}

TEST_F(RpcLoggedOn, LogOutWhileAQuestionIsUpLeavesTheAnswerHarmless)
{
    // The question is window-modal and has no loop of its own, so the log-off from outside
    // runs at once; the "Yes" that comes after it must not reach the view that has gone.
    View()->ConfirmDelete(u"ben@example.com");
    QPointer<QMessageBox> box = frame->findChild<QMessageBox*>(QStringLiteral("ConfirmDelete"));
    ASSERT_TRUE(box);
    ASSERT_TRUE(box->isVisible());

    EXPECT_EQ(BusClient::Numbers(client.Call("LogOut")), QList<int>{0});
    ASSERT_TRUE(WaitUntil([&] { return frame->CurrentView() == ViewKind::Logon; }));
    if (box)
        box->button(QMessageBox::Yes)->click();
    QCoreApplication::processEvents();

    EXPECT_EQ(BusClient::Numbers(client.Call("LogIn")), QList<int>{0});
    ASSERT_TRUE(LoggedOnAndFilled());
    // Still a contact: the late "Yes" deleted nothing.
    EXPECT_EQ(Details("ben@example.com").value(6), 1);
}

TEST_F(RpcLoggedOn, DetailsRoundTripStaysCheap)
{
    // The add-in asks on every toolbar update. Blocking calls from a thread of their own, as
    // the add-in makes them, while the UI thread runs its ordinary event loop: this records
    // what one call costs with the answer made on the UI thread.
    constexpr int kCalls = 500;
    std::atomic<int> answered{0};
    std::atomic<qint64> elapsedNs{0};
    QEventLoop loop;
    std::thread caller([&] {
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("timing"));
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(rpc::kBusName), QString::fromLatin1(rpc::kObjectPath),
            QString::fromLatin1(rpc::kInterfaceName), QStringLiteral("GetContactDetails"));
        call.setArguments({QStringLiteral("echo@example.com")});
        call.setAutoStartService(false);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kCalls; ++i) {
            const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
            if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0) == 0)
                ++answered;
        }
        elapsedNs = timer.nsecsElapsed();
        QDBusConnection::disconnectFromBus(QStringLiteral("timing"));
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    caller.join();
    const double perCall = static_cast<double>(elapsedNs.load()) / 1000.0 / kCalls;
    std::printf("GetContactDetails: %.1f us per call over the bus (%d calls)\n", perCall, kCalls);
    RecordProperty("details_us_per_call", static_cast<int>(perCall));
    EXPECT_EQ(answered.load(), kCalls);
}

} // namespace
} // namespace zep
