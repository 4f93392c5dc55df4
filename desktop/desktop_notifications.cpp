#include "desktop/desktop_notifications.h"

#include "common/app_identity.h"
#include "transport/log_writer.h"
#include "ui/display_texts.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace zep {
namespace {

constexpr int kNoticeLogNumber = 99999;
constexpr char kDefaultAction[] = "default";
// Notices kept while the service's capabilities are asked for.
constexpr std::size_t kMostWaiting = 16;

QDBusMessage Call(const char* method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kNotificationsService), QString::fromLatin1(kNotificationsPath),
        QString::fromLatin1(kNotificationsInterface), QString::fromLatin1(method));
    return call;
}

const char* CategoryOf(NoticeKind kind)
{
    switch (kind) {
    case NoticeKind::Message:
        return "im.received";
    case NoticeKind::Mail:
        return "email.arrived";
    case NoticeKind::SignedOff:
        return "network.disconnected";
    }
    return "im";
}

} // namespace

QString NotificationBody(const QString& text, bool serviceTakesMarkup)
{
    return serviceTakesMarkup ? text.toHtmlEscaped() : text;
}

CDesktopNotifications::CDesktopNotifications(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus))
{
    const QString service = QString::fromLatin1(kNotificationsService);
    const QString path = QString::fromLatin1(kNotificationsPath);
    const QString interface = QString::fromLatin1(kNotificationsInterface);
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(OnActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(OnClosed(uint, uint)));
}

void CDesktopNotifications::AskCapabilities()
{
    if (m_asking)
        return;
    m_asking = true;
    QDBusMessage call = Call("GetCapabilities");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QStringList> reply = *w;
        w->deleteLater();
        m_asking = false;
        std::vector<Notice> waiting;
        waiting.swap(m_waiting);
        if (!reply.isValid()) {
            // No service now: these notices are dropped; the next one asks again.
            LogUnavailable(reply.error().message());
            return;
        }
        m_capabilitiesKnown = true;
        m_markup = reply.value().contains(QStringLiteral("body-markup"));
        m_actions = reply.value().contains(QStringLiteral("actions"));
        for (const Notice& notice : waiting)
            Send(notice);
    });
}

void CDesktopNotifications::LogUnavailable(const QString& why)
{
    if (m_failureLogged)
        return;
    m_failureLogged = true;
    LogWrite(ZepimLog(), kLogFailure, kNoticeLogNumber,
             "Desktop notifications are not available: " + why.toStdString());
}

void CDesktopNotifications::Show(const Notice& notice)
{
    if (m_capabilitiesKnown) {
        Send(notice);
        return;
    }
    // What the service takes decides how the text goes out: ask first, send when answered.
    if (m_waiting.size() < kMostWaiting)
        m_waiting.push_back(notice);
    AskCapabilities();
}

void CDesktopNotifications::Send(const Notice& notice)
{
    const QPair<int, const QWidget*> key(static_cast<int>(notice.kind), notice.window.data());
    const uint replaces = m_shownFor.value(key, 0);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(kAppId));
    hints.insert(QStringLiteral("category"), QString::fromLatin1(CategoryOf(notice.kind)));
    QStringList actions;
    if (m_actions && notice.window)
        actions << QString::fromLatin1(kDefaultAction) << tr("Open");
    QDBusMessage call = Call("Notify");
    call.setArguments({text::AppTitle(), replaces, QStringLiteral("zepim"), notice.summary,
                       NotificationBody(notice.body, m_markup), actions, hints,
                       static_cast<qint32>(-1)});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    QPointer<QWidget> window = notice.window;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key, window](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (!reply.isValid()) {
                    LogUnavailable(reply.error().message());
                    return;
                }
                const uint id = reply.value();
                m_shownFor.insert(key, id);
                if (window)
                    m_windowOf.insert(id, window);
            });
}

void CDesktopNotifications::OnActionInvoked(uint id, const QString& action)
{
    if (action != QLatin1String(kDefaultAction))
        return;
    const QPointer<QWidget> window = m_windowOf.value(id);
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

void CDesktopNotifications::OnClosed(uint id, uint)
{
    m_windowOf.remove(id);
    for (auto it = m_shownFor.begin(); it != m_shownFor.end();)
        it = it.value() == id ? m_shownFor.erase(it) : std::next(it);
}

} // namespace zep
