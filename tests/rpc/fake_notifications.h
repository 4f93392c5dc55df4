// A desktop notification service of the test's own on the private session bus, and a logged-on
// frame whose notices go to it through the messenger's sink.
#pragma once

#include "desktop/desktop_notice.h"
#include "desktop/desktop_notifications.h"
#include "session/attention.h"
#include "tests/support/view_fixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>

namespace zep::test {

struct ShownNotice
{
    uint replaces;
    QString summary;
    QString body;
    QStringList actions;
    QString category;
    QString desktopEntry;
    QString sound;
};

class FakeNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<ShownNotice> shown;
    QStringList capabilities{QStringLiteral("body"), QStringLiteral("body-markup"),
                             QStringLiteral("actions")};

public slots:
    Q_SCRIPTABLE QStringList GetCapabilities() { return capabilities; }
    Q_SCRIPTABLE uint Notify(const QString&, uint replaces, const QString&, const QString& summary,
                             const QString& body, const QStringList& actions,
                             const QVariantMap& hints, int)
    {
        shown.push_back({replaces, summary, body, actions,
                         hints.value(QStringLiteral("category")).toString(),
                         hints.value(QStringLiteral("desktop-entry")).toString(),
                         hints.value(QStringLiteral("sound-name")).toString()});
        return replaces != 0 ? replaces : static_cast<uint>(shown.size());
    }
};

class NoticeE2E : public ViewE2E
{
protected:
    void SetUp() override
    {
        SetNoticeSink([this](const Notice& n) { sink.Show(n); });
        ViewE2E::SetUp();
    }
    void TearDown() override
    {
        SetNoticeSink({});
        ViewE2E::TearDown();
        attention::SetDesktopInhibited(false);
        if (serving)
            QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    }
    void Serve()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                            QStringLiteral("fake-notifications"));
        ASSERT_TRUE(bus.registerObject(QString::fromLatin1(kNotificationsPath), &service,
                                       QDBusConnection::ExportScriptableSlots));
        ASSERT_TRUE(bus.registerService(QString::fromLatin1(kNotificationsService)));
        serving = true;
    }
    // The user chooses `action` of notice `id` (as the service tells it).
    void Invoke(uint id, const QString& action = QStringLiteral("default"))
    {
        Emit(kNotificationsInterface, "ActionInvoked", {id, action});
    }
    // A signal of the service.
    void Emit(const char* interface, const char* member, const QVariantList& arguments)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(QString::fromLatin1(kNotificationsPath),
                                       QString::fromLatin1(interface), QString::fromLatin1(member));
        signal.setArguments(arguments);
        QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                      QStringLiteral("fake-notifications"))
            .send(signal);
    }

    // Every notice already sent has reached the service (it answers in order).
    void Flush()
    {
        const QDBusPendingCall call =
            QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
                QString::fromLatin1(kNotificationsService), QString::fromLatin1(kNotificationsPath),
                QString::fromLatin1(kNotificationsInterface), QStringLiteral("GetCapabilities")));
        WaitUntil([&] { return call.isFinished(); });
    }

    FakeNotificationService service;
    CDesktopNotifications sink{QDBusConnection::sessionBus()};
    bool serving = false;
};

} // namespace zep::test
