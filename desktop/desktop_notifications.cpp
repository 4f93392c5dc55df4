#include "desktop/desktop_notifications.h"

#include "common/app_identity.h"
#include "desktop/activation_x11.h"
#include "session/attention.h"
#include "transport/log_writer.h"
#include "ui/display_texts.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QStringList>
#include <QVariantMap>

namespace zep {
namespace {

constexpr int kNoticeLogNumber = 99999;
constexpr char kDefaultAction[] = "default";
constexpr char kReplyAction[] = "reply";
constexpr char kInlineReplyAction[] = "inline-reply";
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
    case NoticeKind::Presence:
        return "presence.online";
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
    m_bus.connect(service, path, interface, QStringLiteral("NotificationReplied"), this,
                  SLOT(OnReplied(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("ActivationToken"), this,
                  SLOT(OnActivationToken(uint, QString)));
    m_bus.connect(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                  QStringLiteral("PropertiesChanged"), this,
                  SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList)));
    AskInhibited();
}

void CDesktopNotifications::AskInhibited()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kNotificationsService), QString::fromLatin1(kNotificationsPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call.setArguments({QString::fromLatin1(kNotificationsInterface), QStringLiteral("Inhibited")});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QDBusVariant> reply = *w;
        w->deleteLater();
        // A service without the property (or no service) holds nothing back.
        attention::SetDesktopInhibited(reply.isValid() && reply.value().variant().toBool());
    });
}

void CDesktopNotifications::OnPropertiesChanged(const QString& interface,
                                                const QVariantMap& changed, const QStringList&)
{
    if (interface == QLatin1String(kNotificationsInterface) &&
        changed.contains(QStringLiteral("Inhibited")))
        attention::SetDesktopInhibited(changed.value(QStringLiteral("Inhibited")).toBool());
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
        m_inlineReply = reply.value().contains(QStringLiteral("inline-reply"));
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
    const ShownKey key{{static_cast<int>(notice.kind), notice.window.data()}, notice.subject};
    const uint replaces = m_shownFor.value(key, 0);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(kAppId));
    hints.insert(QStringLiteral("category"), QString::fromLatin1(CategoryOf(notice.kind)));
    if (notice.kind == NoticeKind::Message)
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    QStringList actions;
    if (m_actions && notice.window)
        actions << QString::fromLatin1(kDefaultAction) << tr("Open");
    if (m_actions && notice.reply)
        actions << QString::fromLatin1(m_inlineReply ? kInlineReplyAction : kReplyAction)
                << tr("Reply");
    if (m_actions)
        for (const NoticeAction& action : notice.actions)
            actions << action.key << action.label;
    QDBusMessage call = Call("Notify");
    call.setArguments({text::AppTitle(), replaces, QStringLiteral("zepim"), notice.summary,
                       NotificationBody(notice.body, m_markup), actions, hints,
                       static_cast<qint32>(-1)});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    Shown shown{notice.window, notice.actions, notice.reply};
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key, shown](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (!reply.isValid()) {
                    LogUnavailable(reply.error().message());
                    return;
                }
                const uint id = reply.value();
                m_shownFor.insert(key, id);
                m_shown.insert(id, shown);
            });
}

void CDesktopNotifications::OnActivationToken(uint id, const QString& token)
{
    // Sent just before the action it belongs to.
    if (m_shown.contains(id))
        m_tokens.insert(id, token);
}

void CDesktopNotifications::Raise(QWidget* window, uint id)
{
    // The compositor lets a window take the focus with the token the service was given for
    // the user's click (the Wayland plug-in uses it at the next activation); on X11 the token
    // is a startup id for the window manager.
    const QString token = m_tokens.take(id);
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (!token.isEmpty() && wayland)
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    if (window == nullptr)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    if (!token.isEmpty() && QGuiApplication::platformName() == QLatin1String("xcb"))
        PassStartupId(*window, token);
    window->raise();
    window->activateWindow();
}

void CDesktopNotifications::OnActionInvoked(uint id, const QString& action)
{
    const auto it = m_shown.constFind(id);
    if (it == m_shown.constEnd())
        return;
    const Shown shown = *it;
    if (action == QLatin1String(kDefaultAction) || action == QLatin1String(kReplyAction)) {
        Raise(shown.window, id);
        return;
    }
    for (const NoticeAction& known : shown.actions)
        if (known.key == action && known.run) {
            Raise(nullptr, id);
            known.run();
            return;
        }
}

void CDesktopNotifications::OnReplied(uint id, const QString& text)
{
    const auto it = m_shown.constFind(id);
    if (it != m_shown.constEnd() && it->reply && !text.trimmed().isEmpty())
        it->reply(text);
}

void CDesktopNotifications::OnClosed(uint id, uint)
{
    m_shown.remove(id);
    m_tokens.remove(id);
    for (auto it = m_shownFor.begin(); it != m_shownFor.end();)
        it = it.value() == id ? m_shownFor.erase(it) : std::next(it);
}

} // namespace zep
