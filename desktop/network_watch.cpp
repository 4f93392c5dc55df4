#include "desktop/network_watch.h"

#include "transport/log_writer.h"

#include <QDBusConnection>
#include <QNetworkInformation>

namespace zep {

CNetworkWatch::CNetworkWatch(QObject* parent) : QObject(parent)
{
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        QNetworkInformation* info = QNetworkInformation::instance();
        m_backend = info->backendName();
        m_online = info->reachability() == QNetworkInformation::Reachability::Online;
        connect(info, &QNetworkInformation::reachabilityChanged, this,
                [this](QNetworkInformation::Reachability now) {
                    const bool online = now == QNetworkInformation::Reachability::Online;
                    // Only the step back to online counts; the first report is just the state.
                    if (online && !m_online)
                        emit reachableAgain(
                            QStringLiteral("network reachable (%1)").arg(m_backend));
                    m_online = online;
                });
        LogWriteIf(ZepimLog(), kLogProgress, 99999, "Network information backend: %s.",
                   m_backend.toUtf8().constData());
    } else {
        LogWriteIf(ZepimLog(), kLogProgress, 99999,
                   "No network information backend loaded; reconnecting on the back-off only.");
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected())
        m_sleep = system.connect(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
            this, SLOT(OnPrepareForSleep(bool)));
    if (!m_sleep)
        LogWriteIf(ZepimLog(), kLogProgress, 99999,
                   "No system bus: resume from suspend is not watched.");
}

void CNetworkWatch::OnPrepareForSleep(bool sleeping)
{
    if (!sleeping)
        emit reachableAgain(QStringLiteral("resumed from suspend"));
}

} // namespace zep
