#include "desktop/colour_scheme_portal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace zep {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

} // namespace

ColourSchemePortal::ColourSchemePortal(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
{
    QDBusConnection connection(bus);
    if (!connection.isConnected())
        return;
    // The slot's QDBusVariant is looked up by name, which only works once it is registered.
    qRegisterMetaType<QDBusVariant>();
    connection.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                       SLOT(OnSettingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    read << kGroup << kKey;
    // A desktop without the portal answers at once with an error; one that starts it on
    // demand may take a moment, and the window is drawn meanwhile.
    auto* call = new QDBusPendingCallWatcher(connection.asyncCall(read, 5000), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, &ColourSchemePortal::OnRead);
}

ColourScheme ColourSchemePortal::FromValue(const QVariant& value)
{
    // Read wraps the value in one variant more than SettingChanged does.
    QVariant inner = value;
    for (int depth = 0; depth < 4 && inner.canConvert<QDBusVariant>(); ++depth)
        inner = qvariant_cast<QDBusVariant>(inner).variant();
    const QMetaType type = inner.metaType();
    if (type.id() != QMetaType::UInt && type.id() != QMetaType::Int)
        return ColourScheme::NoPreference;
    switch (inner.toLongLong()) {
    case 1:
        return ColourScheme::Dark;
    case 2:
        return ColourScheme::Light;
    default:
        return ColourScheme::NoPreference;
    }
}

void ColourSchemePortal::OnRead(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *call;
    if (reply.isError() || m_changed)
        return;
    Set(FromValue(QVariant::fromValue(reply.value())));
}

void ColourSchemePortal::OnSettingChanged(const QString& group, const QString& key,
                                          const QDBusVariant& value)
{
    if (group != kGroup || key != kKey)
        return;
    m_changed = true;
    Set(FromValue(value.variant()));
}

void ColourSchemePortal::Set(ColourScheme scheme)
{
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    emit schemeChanged(scheme);
}

} // namespace zep
