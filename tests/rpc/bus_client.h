// A caller of MessengerControl on a bus connection of its own, so every call really goes
// through the daemon. Calls are asynchronous and waited for on the event loop: the service
// answers on this same (UI) thread.
#pragma once

#include "rpc/messenger_control.h"
#include "tests/support/qt_wait.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QList>
#include <QObject>
#include <QVariant>
#include <chrono>
#include <utility>
#include <vector>

namespace zep::test {

class BusClient
{
public:
    explicit BusClient(const QString& name = QStringLiteral("zep-rpc-test-client"))
        : m_name(name), m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name))
    {
    }
    ~BusClient() { QDBusConnection::disconnectFromBus(m_name); }
    BusClient(const BusClient&) = delete;
    BusClient& operator=(const BusClient&) = delete;

    QDBusConnection& Bus() { return m_bus; }

    // The reply (or error) of one call, made without auto-start.
    QDBusMessage Call(const char* method, const QList<QVariant>& args = {},
                      std::chrono::milliseconds limit = std::chrono::seconds(20))
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(rpc::kBusName), QString::fromLatin1(rpc::kObjectPath),
            QString::fromLatin1(rpc::kInterfaceName), QString::fromLatin1(method));
        call.setArguments(args);
        call.setAutoStartService(false);
        QDBusPendingCall pending = m_bus.asyncCall(call, static_cast<int>(limit.count()));
        WaitUntil([&] { return pending.isFinished(); }, limit + std::chrono::seconds(1));
        return pending.reply();
    }

    // The int32 results and out values of a reply as plain numbers; empty for an error.
    static QList<int> Numbers(const QDBusMessage& reply)
    {
        QList<int> out;
        if (reply.type() != QDBusMessage::ReplyMessage)
            return out;
        for (const QVariant& v : reply.arguments())
            out.append(v.toInt());
        return out;
    }

    bool NameOwned()
    {
        return m_bus.interface()->isServiceRegistered(QString::fromLatin1(rpc::kBusName)).value();
    }

private:
    QString m_name;
    QDBusConnection m_bus;
};

// Collects the StateChanged signals a connection receives, in order.
class StateListener : public QObject
{
    Q_OBJECT
public:
    std::vector<std::pair<int, int>> seen;
public slots:
    void OnState(uchar visible, uchar loggedOn) { seen.emplace_back(visible, loggedOn); }
};

} // namespace zep::test
