// One running copy per executable name and settings folder: a lock file named after the
// instance name in the runtime folder, and a local socket of the same name over which a second
// copy asks the first one to show its window.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace zep {

class CSingleInstance : public QObject
{
    Q_OBJECT
public:
    // "ZEP " + the executable's file name, for settings in the user's default folder
    // (~/.config). Settings kept elsewhere ($XDG_CONFIG_HOME) add a tag of that folder, so a
    // copy with settings of its own runs beside the user's.
    static QString InstanceNameFor(const QString& executablePath);
    // The same for the given settings folder and home folder.
    static QString InstanceNameFor(const QString& executablePath, const QString& configFolder,
                                   const QString& homeFolder);

    explicit CSingleInstance(QString instanceName, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this process is the first instance; it then listens for later copies.
    // False when another copy runs: it has been asked to show itself.
    bool Acquire();
    const QString& InstanceName() const { return m_name; }
    QString SocketPath() const;

signals:
    // A later copy asked this one to show its main window.
    void showRequested();

private:
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace zep
