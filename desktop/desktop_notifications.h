// The desktop's notification service (org.freedesktop.Notifications on the session bus) as the
// sink of the messenger's notices. Calls are asynchronous and never waited for; without a
// service, notices are dropped (one log line) and the messenger carries on as before. The
// service's "Inhibited" property (the desktop's own "do not disturb") is followed and makes the
// messenger quiet (session/attention.h).
#pragma once

#include "desktop/desktop_notice.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QVariantMap>
#include <QWidget>
#include <vector>

namespace zep {

inline constexpr char kNotificationsService[] = "org.freedesktop.Notifications";
inline constexpr char kNotificationsPath[] = "/org/freedesktop/Notifications";
inline constexpr char kNotificationsInterface[] = "org.freedesktop.Notifications";

class CDesktopNotifications : public QObject
{
    Q_OBJECT
public:
    explicit CDesktopNotifications(QDBusConnection bus, QObject* parent = nullptr);

    void Show(const Notice& notice);

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnReplied(uint id, const QString& text);
    void OnActivationToken(uint id, const QString& token);
    void OnClosed(uint id, uint reason);
    void OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    struct Shown
    {
        QPointer<QWidget> window;
        std::vector<NoticeAction> actions;
        std::function<void(const QString&)> reply;
    };
    void AskCapabilities();
    void AskInhibited();
    // Brings the window up with the keyboard in it, passing the service's activation token.
    void Raise(QWidget* window, uint id);
    void Send(const Notice& notice);
    void LogUnavailable(const QString& why);

    QDBusConnection m_bus;
    bool m_capabilitiesKnown = false;
    bool m_asking = false;
    std::vector<Notice> m_waiting;
    bool m_markup = true;
    bool m_actions = false;
    bool m_inlineReply = false;
    bool m_failureLogged = false;
    // The notice shown for each kind, window and subject (replaced, not stacked), and what
    // each notice's actions do.
    using ShownKey = QPair<QPair<int, const QWidget*>, QString>;
    QHash<ShownKey, uint> m_shownFor;
    QHash<uint, Shown> m_shown;
    QHash<uint, QString> m_tokens;
};

// Escapes what the service would read as markup; plain text where it takes none.
QString NotificationBody(const QString& text, bool serviceTakesMarkup);

} // namespace zep
