// The zepim program as a user starts it on a zep-devserver: settings with a saved password and
// automatic logon, no display (offscreen), every folder in a scratch home. Started as the other
// helper programs are (tests/support/child_process.h), so a test may start threads after it.
#pragma once

#include "tests/support/child_process.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include <QDir>
#include <QFile>
#include <csignal>

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

    QString ConfigFile() const { return m_home + "/config/Corvane/ZEP Instant Messenger.conf"; }
    ChildProcess& Process() { return m_process; }

    // Starts it and waits until it has written its logon to the log.
    bool StartLoggedOn()
    {
        const auto folder = [this](const char* name, const char* sub) {
            return std::string(name) + "=" + (m_home + "/" + sub).toStdString();
        };
        // The progress lines (ZEPIM_LOG_MASK=4) put the logon into the log.
        if (!m_process.Start({"env", folder("XDG_CONFIG_HOME", "config"),
                              folder("XDG_RUNTIME_DIR", "runtime"),
                              folder("XDG_STATE_HOME", "state"), folder("XDG_DATA_HOME", "data"),
                              "QT_QPA_PLATFORM=offscreen", "ZEPIM_LOG_MASK=4", ZEPIM_BINARY}))
            return false;
        return WaitUntil([&] {
            QFile log(m_home + "/state/zepim/ZEPIM.LOG");
            return log.open(QIODevice::ReadOnly) &&
                   log.readAll().contains(("Logged on as " + m_email + ".").toUtf8());
        });
    }
    // SIGTERM, as the desktop ends it; the exit status, or -1 when it did not end in time.
    int Terminate()
    {
        ::kill(m_process.Pid(), SIGTERM);
        return m_process.Wait(std::chrono::seconds(10));
    }

private:
    QString m_home;
    QString m_email;
    ChildProcess m_process;
};

} // namespace zep::test
