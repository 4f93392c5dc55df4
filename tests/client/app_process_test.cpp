// The zepim program itself: single instance, start-up failures, first run, the exit path.
#include "qt_wait.h"
#include "scratch_home.h"
#include "settings.h"
#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <csignal>
#include <gtest/gtest.h>

namespace zep {
namespace {

class AppProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
        runtime = home.Path() + "/runtime";
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        Settings s;
        s.WriteText(setting::Version, "18.1.4389");
        s.WriteInt(setting::OpenMainWnd, 1);
        s.Sync();
    }
    void TearDown() override
    {
        for (auto& p : processes) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->kill();
            p->waitForFinished(5000);
        }
    }
    QProcess& Start(const QString& program, const QStringList& args = {})
    {
        processes.push_back(std::make_unique<QProcess>());
        QProcess& p = *processes.back();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.Path() + "/config");
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("XDG_STATE_HOME", home.Path() + "/state");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("LD_LIBRARY_PATH");
        p.setProcessEnvironment(env);
        p.start(program, args);
        EXPECT_TRUE(p.waitForStarted(5000));
        return p;
    }
    // A copy of the program (and, unless told otherwise, its library) under another name.
    QString CopyProgram(const QString& name, bool withLibrary = true)
    {
        const QString dir = home.Path() + "/copy-" + name;
        QDir().mkpath(dir);
        EXPECT_TRUE(QFile::copy(ZEPIM_PATH, dir + "/" + name));
        QFile::setPermissions(dir + "/" + name,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (withLibrary) {
            EXPECT_TRUE(QFile::copy(ZEPIMAM_PATH, dir + "/libzepimam.so"));
        }
        return dir + "/" + name;
    }
    bool LockHeld(const QString& instance)
    {
        return QFile::exists(runtime + "/ZEP " + instance + ".lock");
    }
    int Terminate(QProcess& p)
    {
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        EXPECT_TRUE(p.waitForFinished(10000));
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    test::ScratchHome home;
    QString runtime;
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(AppProcess, ASecondCopyAsksTheFirstToShowAndEnds)
{
    // This test process plays the first copy of "zepim".
    CSingleInstance first(CSingleInstance::InstanceNameFor(ZEPIM_PATH));
    ASSERT_TRUE(first.Acquire());
    QSignalSpy asked(&first, &CSingleInstance::showRequested);
    QProcess& second = Start(ZEPIM_PATH);
    ASSERT_TRUE(test::WaitUntil([&] { return second.state() == QProcess::NotRunning; }));
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(test::WaitUntil([&] { return asked.count() == 1; }));
}

TEST_F(AppProcess, CopiesUnderTwoNamesRunSideBySideAndExitCleanlyOnSigterm)
{
    CSingleInstance first(CSingleInstance::InstanceNameFor(ZEPIM_PATH));
    ASSERT_TRUE(first.Acquire());
    QProcess& other = Start(CopyProgram("zepim-other"));
    ASSERT_TRUE(test::WaitUntil(
        [&] { return LockHeld("zepim-other") || other.state() == QProcess::NotRunning; }));
    ASSERT_EQ(other.state(), QProcess::Running) << other.readAllStandardError().toStdString();
    EXPECT_EQ(Terminate(other), 0);
    // The exit path saved the window placement and released the instance.
    Settings s;
    s.Sync();
    EXPECT_FALSE(s.ReadRecord(setting::MainWp).isEmpty());
    EXPECT_FALSE(LockHeld("zepim-other"));
}

TEST_F(AppProcess, MissingActivityMonitorIsAClearErrorAndNonZeroExit)
{
    QProcess& p = Start(CopyProgram("zepim", false));
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.contains("cannot start")) << err.toStdString();
    EXPECT_TRUE(err.contains("libzepimam.so")) << err.toStdString();
}

TEST_F(AppProcess, IncompleteActivityMonitorIsRefused)
{
    const QString program = CopyProgram("zepim", false);
    // A real shared library without the three entry points.
    ASSERT_TRUE(
        QFile::copy(NOT_A_MONITOR_PATH, QFileInfo(program).absolutePath() + "/libzepimam.so"));
    QProcess& p = Start(program);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.contains("StartActivityMonitor")) << err.toStdString();
}

TEST_F(AppProcess, FirstRunWritesVersionAutostartAndStartupValuesThenRunsTheWizard)
{
    {
        Settings s;
        s.Remove(setting::Version);
        s.Remove(setting::OpenMainWnd);
        s.Sync();
    }
    QProcess& p = Start(ZEPIM_PATH);
    const QString conf = home.Path() + "/config/Corvane/ZEP Instant Messenger.conf";
    const auto written = [&] {
        QSettings s(conf, QSettings::IniFormat);
        return s.value("version").toString() == "18.1.4389" && s.value("autologon").toInt() == 1;
    };
    ASSERT_TRUE(test::WaitUntil(written)) << p.readAllStandardError().toStdString();
    QSettings s(conf, QSettings::IniFormat);
    EXPECT_EQ(s.value("openmainwnd").toInt(), 1);
    EXPECT_TRUE(QFile::exists(home.Path() + "/config/autostart/ZEPMessenger.desktop"));
    // The wizard is up and the listener with it: a second start ends at once.
    QProcess& second = Start(ZEPIM_PATH);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(p.state(), QProcess::Running);
    EXPECT_EQ(Terminate(p), 0) << "SIGTERM ends the program while the wizard is open";
}

TEST_F(AppProcess, HelpAndVersionAnswerWithoutStarting)
{
    const struct
    {
        QStringList args;
        const char* expected;
    } rows[] = {
        {{"--help"}, "--version"},
        {{"-h"}, "/background"},
        {{"--version"}, "zepim 18.1.4389"},
        {{"/background", "--version"}, "zepim 18.1.4389"},
    };
    for (const auto& row : rows) {
        QProcess& p = Start(ZEPIM_PATH, row.args);
        ASSERT_TRUE(p.waitForFinished(10000)) << row.args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), 0) << row.args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().contains(row.expected))
            << row.args.join(' ').toStdString();
    }
}

} // namespace
} // namespace zep
