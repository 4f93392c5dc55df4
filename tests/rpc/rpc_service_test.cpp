// The control service with a logged-off frame, called over a real session bus: the common 207,
// the window procedures, the identity, the name's life and the state signal.
#include "app/main_frame.h"
#include "app/views.h"
#include "bus_client.h"
#include "desktop/rpc_service.h"
#include "rpc/messenger_control.h"
#include "session/client_connection.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include <QDBusMessage>
#include <QFile>
#include <QSignalSpy>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zep {
namespace {

using test::BusClient;
using test::StateListener;
using test::WaitUntil;

class RpcLoggedOff : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FrameOptions options;
        options.trayIcon = false;
        frame = std::make_unique<CMainFrame>(connection, options);
        frame->StartFirstView(false);
        frame->show();
        ASSERT_EQ(frame->CurrentView(), ViewKind::Logon);
        StartRpcService(*frame);
        ASSERT_TRUE(RpcServiceRunning());
    }
    void TearDown() override
    {
        StopRpcService();
        frame.reset();
    }

    test::ScratchHome home;
    ClientConnection connection;
    std::unique_ptr<CMainFrame> frame;
    BusClient client;
};

struct Row
{
    const char* name;
    const char* method;
    QList<QVariant> args;
    // The result followed by every out value.
    QList<int> reply;
};

TEST_F(RpcLoggedOff, EveryProcedureAnswersWithoutALoggedOnView)
{
    const QString echo = QStringLiteral("echo@example.com");
    const std::vector<Row> rows = {
        {"details need the logged-on view", "GetContactDetails", {echo}, {207, 0, 0, 0, 0, 0, 0}},
        {"instant message needs it", "SendInstantMessage", {echo}, {207}},
        {"sms needs it", "SendSmsMessage", {echo}, {207}},
        {"pager needs it", "SendPagerMessage", {echo}, {207}},
        {"email needs it", "SendEmailMessage", {echo}, {207}},
        {"empty address", "GetContactDetails", {QString()}, {207, 0, 0, 0, 0, 0, 0}},
        {"state: shown, logged off", "GetMessengerState", {}, {0, 1, 0}},
        {"open is a handled command", "OpenMessenger", {}, {1}},
        {"log out while logged off", "LogOut", {}, {0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QDBusMessage reply = client.Call(row.method, row.args);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_EQ(BusClient::Numbers(reply), row.reply);
    }
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
    EXPECT_TRUE(frame->OfflineWindows().empty());
}

TEST_F(RpcLoggedOff, WrongArgumentTypesAreRefusedByTheBinding)
{
    // An int where the address goes: no such method signature, so no call reaches the frame.
    const QDBusMessage reply = client.Call("SendEmailMessage", {QVariant::fromValue(7)});
    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
}

TEST_F(RpcLoggedOff, HideRepliesFirstAndThenPutsTheWindowAway)
{
    const QDBusMessage reply = client.Call("HideMessenger");
    EXPECT_EQ(BusClient::Numbers(reply), QList<int>{0});
    // Without a notification area the frame minimises instead of hiding.
    ASSERT_TRUE(WaitUntil([&] { return frame->isMinimized() || !frame->isVisible(); }));
    EXPECT_EQ(BusClient::Numbers(client.Call("OpenMessenger")), QList<int>{1});
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(frame->isMinimized());
}

TEST_F(RpcLoggedOff, ExitRepliesOneThenAsksTheApplicationToEnd)
{
    QSignalSpy exit(frame.get(), &CMainFrame::exitRequested);
    const QDBusMessage reply = client.Call("ExitMessenger");
    EXPECT_EQ(BusClient::Numbers(reply), QList<int>{1});
    ASSERT_TRUE(WaitUntil([&] { return exit.count() == 1; }));
    EXPECT_TRUE(frame->Exiting());
}

TEST_F(RpcLoggedOff, IdentityPropertiesCarryTheUuidAndVersion)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(rpc::kBusName), QString::fromLatin1(rpc::kObjectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    get.setArguments({QString::fromLatin1(rpc::kInterfaceName)});
    get.setAutoStartService(false);
    QDBusPendingCall pending = client.Bus().asyncCall(get);
    ASSERT_TRUE(WaitUntil([&] { return pending.isFinished(); }));
    const QDBusMessage reply = pending.reply();
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const QVariantMap props = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    EXPECT_EQ(props.value(QStringLiteral("InterfaceUuid")).toString(),
              QString::fromLatin1(rpc::kInterfaceUuid));
    EXPECT_EQ(props.value(QStringLiteral("InterfaceVersion")).toString(), QStringLiteral("1.0"));
    EXPECT_EQ(props.size(), 2) << "only the identity is a property";
}

// Methods and signals of the interface as "kind name: in:s out:i ..." lines.
std::map<std::string, std::string> Members(const QString& xml, const QString& interface)
{
    std::map<std::string, std::string> members;
    QXmlStreamReader reader(xml);
    bool inside = false;
    std::string current;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == QLatin1String("interface"))
            inside = false;
        if (!reader.isStartElement())
            continue;
        const auto attr = [&](const char* name) {
            return reader.attributes().value(QLatin1String(name)).toString().toStdString();
        };
        if (reader.name() == QLatin1String("interface"))
            inside = attr("name") == interface.toStdString();
        else if (inside && (reader.name() == QLatin1String("method") ||
                            reader.name() == QLatin1String("signal") ||
                            reader.name() == QLatin1String("property"))) {
            current = reader.name().toString().toStdString() + " " + attr("name");
            members[current] = attr("type") + attr("access");
        } else if (inside && reader.name() == QLatin1String("arg")) {
            std::string dir = attr("direction");
            members[current] += " " + (dir.empty() ? std::string("out") : dir) + ":" +
                                attr("name") + ":" + attr("type");
        }
    }
    return members;
}

TEST_F(RpcLoggedOff, ExportedInterfaceIsTheOneInTheDefinitionFile)
{
    QFile file(QStringLiteral(ZEP_RPC_XML));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString defined = QString::fromUtf8(file.readAll());

    QDBusMessage introspect = QDBusMessage::createMethodCall(
        QString::fromLatin1(rpc::kBusName), QString::fromLatin1(rpc::kObjectPath),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    introspect.setAutoStartService(false);
    QDBusPendingCall pending = client.Bus().asyncCall(introspect);
    ASSERT_TRUE(WaitUntil([&] { return pending.isFinished(); }));
    const QString live = pending.reply().arguments().value(0).toString();

    const QString name = QString::fromLatin1(rpc::kInterfaceName);
    const auto want = Members(defined, name);
    const auto have = Members(live, name);
    ASSERT_EQ(want.size(), 11u + 1u + 2u) << "eleven methods, one signal, two properties";
    EXPECT_EQ(have, want) << live.toStdString();
    for (const char* procedure : rpc::kProcedures)
        EXPECT_EQ(want.count(std::string("method ") + procedure), 1u) << procedure;
}

TEST_F(RpcLoggedOff, StopReleasesTheNameAndCallsFindNoServer)
{
    EXPECT_TRUE(client.NameOwned());
    EXPECT_EQ(StopRpcService(), 0);
    EXPECT_FALSE(RpcServiceRunning());
    EXPECT_FALSE(client.NameOwned());
    const QDBusMessage reply = client.Call("GetMessengerState");
    ASSERT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(reply.errorName().toStdString(), rpc::kErrorNoOwner);
    EXPECT_EQ(StopRpcService(), 0) << "a second stop does nothing";
}

TEST_F(RpcLoggedOff, NameOwnedElsewhereLeavesTheMessengerWithoutService)
{
    StopRpcService();
    BusClient squatter(QStringLiteral("zep-rpc-test-squatter"));
    ASSERT_TRUE(squatter.Bus().registerService(QString::fromLatin1(rpc::kBusName)));
    StartRpcService(*frame);
    EXPECT_FALSE(RpcServiceRunning());
    // Nothing of ours stayed exported on the messenger's connection either.
    EXPECT_EQ(
        QDBusConnection::sessionBus().objectRegisteredAt(QString::fromLatin1(rpc::kObjectPath)),
        nullptr);
    squatter.Bus().unregisterService(QString::fromLatin1(rpc::kBusName));
    StartRpcService(*frame);
    EXPECT_TRUE(RpcServiceRunning());
}

TEST_F(RpcLoggedOff, StateChangedFollowsTheWindow)
{
    StateListener listener;
    ASSERT_TRUE(client.Bus().connect(
        QString::fromLatin1(rpc::kBusName), QString::fromLatin1(rpc::kObjectPath),
        QString::fromLatin1(rpc::kInterfaceName), QString::fromLatin1(rpc::kStateChangedSignal),
        &listener, SLOT(OnState(uchar, uchar))));
    // A round trip, so the match rule is in place before the window changes.
    client.Call("GetMessengerState");
    frame->hide();
    ASSERT_TRUE(WaitUntil([&] { return listener.seen.size() == 1; }));
    frame->show();
    ASSERT_TRUE(WaitUntil([&] { return listener.seen.size() == 2; }));
    // A show of a shown window changes nothing and sends nothing.
    frame->show();
    client.Call("GetMessengerState");
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 0}};
    EXPECT_EQ(listener.seen, expected);
}

} // namespace
} // namespace zep
