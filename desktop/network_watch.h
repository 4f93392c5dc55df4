// Tells the frame when a try to reach the server is worth making at once: the network has become
// reachable again (Qt's network information backend) or the machine has just resumed from
// suspend (logind on the system bus). Either source may be missing; then nothing is reported
// from it and the reconnect back-off alone decides.
#pragma once

#include <QObject>
#include <QString>

namespace zep {

class CNetworkWatch : public QObject
{
    Q_OBJECT
public:
    explicit CNetworkWatch(QObject* parent = nullptr);

    // The network information backend in use, or "" when none could be loaded.
    QString Backend() const { return m_backend; }
    bool WatchesSleep() const { return m_sleep; }

signals:
    // `why` names the source, for the log.
    void reachableAgain(const QString& why);

private slots:
    void OnPrepareForSleep(bool sleeping);

private:
    QString m_backend;
    bool m_online = false;
    bool m_sleep = false;
};

} // namespace zep
