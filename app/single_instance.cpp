#include "app/single_instance.h"

#include "session/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace zep {
namespace {

constexpr char kShowRequest[] = "show\n";

QString RuntimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

} // namespace

QString CSingleInstance::InstanceNameFor(const QString& executablePath)
{
    return InstanceNameFor(executablePath,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                           QDir::homePath());
}

QString CSingleInstance::InstanceNameFor(const QString& executablePath, const QString& configFolder,
                                         const QString& homeFolder)
{
    const QString name =
        QStringLiteral("ZEP %1").arg(QFileInfo(executablePath).fileName().left(255));
    const QString tag = SettingsFolderTag(configFolder, homeFolder);
    return tag.isEmpty() ? name : name + u' ' + tag;
}

CSingleInstance::CSingleInstance(QString instanceName, QObject* parent)
    : QObject(parent), m_name(std::move(instanceName))
{
}

CSingleInstance::~CSingleInstance()
{
    if (m_server)
        m_server->close();
}

QString CSingleInstance::SocketPath() const
{
    return RuntimeFolder() + u'/' + m_name;
}

bool CSingleInstance::Acquire()
{
    auto lock =
        std::make_unique<QLockFile>(RuntimeFolder() + u'/' + m_name + QStringLiteral(".lock"));
    // A lock left by a crashed copy is taken over (the lock file records the owner's process).
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError) {
            QLocalSocket socket;
            socket.connectToServer(SocketPath());
            if (socket.waitForConnected(2000)) {
                socket.write(kShowRequest);
                socket.waitForBytesWritten(2000);
                socket.disconnectFromServer();
            }
            return false;
        }
        // The runtime folder is unusable: run as the only instance, as the system would.
        return true;
    }
    m_lock = std::move(lock);

    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(SocketPath()); // ours: we hold the lock
    if (!m_server->listen(SocketPath()))
        return true; // still the only instance, only unreachable for later copies
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->canReadLine() && client->readLine() == kShowRequest)
                    emit showRequested();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    return true;
}

} // namespace zep
