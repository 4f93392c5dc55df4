// The zepim program as a user starts it on a zep-devserver: settings with a saved password and
// automatic logon, no display (offscreen), every folder in a scratch home.
#pragma once

#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace zep::test {

class ZepimProcess
{
public:
    ZepimProcess(const ScratchHome& home, int port, const QString& email = "anna@example.com",
                 const QString& password = "anna123")
        : m_home(home.Path()), m_email(email)
    {
        QDir().mkpath(m_home + "/config/Corvane");
        QFile conf(ConfigFile());
        if (conf.open(QIODevice::WriteOnly))
            conf.write(QStringLiteral("[General]\nserver=127.0.0.1\nport=%1\nemail=%2\n"
                                      "password=%3\nsavepassword=1\nautologon=1\n"
                                      "version=18.1.4389\n")
                           .arg(port)
                           .arg(email, password)
                           .toUtf8());
        QDir().mkpath(m_home + "/runtime");
        QFile::setPermissions(m_home + "/runtime",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~ZepimProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QString ConfigFile() const { return m_home + "/config/Corvane/ZEP Instant Messenger.conf"; }
    QProcess& Process() { return m_process; }

    // Starts it and waits until it has written its logon to the log.
    bool StartLoggedOn()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", m_home + "/config");
        env.insert("XDG_RUNTIME_DIR", m_home + "/runtime");
        env.insert("XDG_STATE_HOME", m_home + "/state");
        env.insert("XDG_DATA_HOME", m_home + "/data");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ZEPIM_LOG_MASK", "4"); // progress lines: the logon is written to the log
        m_process.setProcessEnvironment(env);
        m_process.start(ZEPIM_BINARY, {});
        if (!m_process.waitForStarted())
            return false;
        return WaitUntil([&] {
            QFile log(m_home + "/state/zepim/ZEPIM.LOG");
            return log.open(QIODevice::ReadOnly) &&
                   log.readAll().contains(("Logged on as " + m_email + ".").toUtf8());
        });
    }

private:
    QString m_home;
    QString m_email;
    QProcess m_process;
};

} // namespace zep::test
