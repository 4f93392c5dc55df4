#include "desktop/launcher_entry.h"

#include "common/app_identity.h"

#include <QDBusMessage>
#include <QVariantMap>
#include <algorithm>

namespace zep {

LauncherEntry::LauncherEntry(QDBusConnection bus) : m_bus(std::move(bus)) {}

void LauncherEntry::SetCount(int count)
{
    count = std::max(count, 0);
    if (count == m_count)
        return;
    m_count = count;
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/org/zep/ZEPMessenger/LauncherEntry"),
        QString::fromLatin1(kLauncherEntryInterface), QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("count"), static_cast<qint64>(count));
    properties.insert(QStringLiteral("count-visible"), count > 0);
    update.setArguments(
        {QStringLiteral("application://%1.desktop").arg(QLatin1String(kAppId)), properties});
    m_bus.send(update);
}

} // namespace zep
