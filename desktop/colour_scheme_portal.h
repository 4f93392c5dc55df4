// The desktop's colour scheme, from the settings portal on the session bus
// (org.freedesktop.appearance color-scheme): read once, without waiting, then followed through
// the portal's SettingChanged signal. Without a portal the scheme stays "no preference".
#pragma once

#include "ui/colour_scheme.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>

class QDBusPendingCallWatcher;

namespace zep {

class ColourSchemePortal : public QObject
{
    Q_OBJECT
public:
    explicit ColourSchemePortal(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                QObject* parent = nullptr);

    ColourScheme Scheme() const { return m_scheme; }

    // What the portal's value means; anything but 1 and 2 is no preference.
    static ColourScheme FromValue(const QVariant& value);

signals:
    void schemeChanged(zep::ColourScheme scheme);

private slots:
    void OnSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void OnRead(QDBusPendingCallWatcher* call);
    void Set(ColourScheme scheme);

    ColourScheme m_scheme = ColourScheme::NoPreference;
    bool m_changed = false; // a change arrived: a late answer to the first read is old news
};

} // namespace zep
