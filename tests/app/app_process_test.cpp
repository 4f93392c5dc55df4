// The zepim program itself: single instance, start-up failures, first run, the exit path.
#include "app/single_instance.h"
#include "session/settings.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
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
        env.insert("XDG_DATA_HOME", home.Path() + "/data");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("LD_LIBRARY_PATH");
        for (auto it = extraEnv.cbegin(); it != extraEnv.cend(); ++it)
            env.insert(it.key(), it.value());
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
    // Whether a copy of `program` with settings in `config` holds its instance.
    bool LockHeld(const QString& program, const QString& config = {})
    {
        const QString folder = config.isEmpty() ? home.Path() + "/config" : config;
        return QFile::exists(runtime + "/" +
                             CSingleInstance::InstanceNameFor(program, folder, QDir::homePath()) +
                             ".lock");
    }
    int Terminate(QProcess& p)
    {
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        EXPECT_TRUE(p.waitForFinished(10000));
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    test::ScratchHome home;
    QString runtime;
    QMap<QString, QString> extraEnv;
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

TEST_F(AppProcess, ACopyWithSettingsOfItsOwnRunsBesideTheFirst)
{
    CSingleInstance first(CSingleInstance::InstanceNameFor(ZEPIM_PATH));
    ASSERT_TRUE(first.Acquire());
    const QString config = home.Path() + "/other-config";
    extraEnv.insert("XDG_CONFIG_HOME", config);
    QProcess& other = Start(ZEPIM_PATH);
    ASSERT_TRUE(test::WaitUntil(
        [&] { return LockHeld("zepim", config) || other.state() == QProcess::NotRunning; }));
    ASSERT_EQ(other.state(), QProcess::Running) << other.readAllStandardError().toStdString();
    EXPECT_EQ(Terminate(other), 0);
}

TEST(InstanceName, OnePerExecutableNameAndSettingsFolder)
{
    QTemporaryDir dir;
    const QString home = dir.path();
    ASSERT_TRUE(QDir().mkpath(home + "/.config"));
    // The user's own settings keep the name every earlier version used.
    for (const QString& config :
         {home + "/.config", home + "/.config/", home + "/x/../.config", QString()})
        EXPECT_EQ(CSingleInstance::InstanceNameFor("/usr/bin/zepim", config, home), "ZEP zepim")
            << config.toStdString();
    const QString demo = CSingleInstance::InstanceNameFor("/usr/bin/zepim", home + "/demo", home);
    EXPECT_TRUE(demo.startsWith("ZEP zepim ")) << demo.toStdString();
    EXPECT_EQ(CSingleInstance::InstanceNameFor("/opt/zepim", home + "/demo/", home), demo);
    EXPECT_NE(CSingleInstance::InstanceNameFor("/usr/bin/zepim", home + "/demo2", home), demo);
    EXPECT_NE(CSingleInstance::InstanceNameFor("/usr/bin/zepim-b", home + "/demo", home), demo);
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

class AppAutoLaunch : public AppProcess, public ::testing::WithParamInterface<int>
{
};

// A desktop whose default mail client is a program that leaves a marker file when it runs.
TEST_P(AppAutoLaunch, StartsTheMailClientAtStartOnlyWhenSet)
{
    const int autoLaunch = GetParam();
    const QString data = home.Path() + "/data";
    const QString marker = home.Path() + "/mail-client-ran";
    const QString script = home.Path() + "/mail-client";
    QDir().mkpath(data + "/applications");
    QFile program(script);
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\necho \"$#\" > \"" + marker.toUtf8() + ".tmp\" && mv \"" +
                  marker.toUtf8() + ".tmp\" \"" + marker.toUtf8() + "\"\n");
    program.close();
    program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile entry(data + "/applications/marker-mail.desktop");
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Marker Mail\nExec=" + script.toUtf8() +
                " %u\nMimeType=x-scheme-handler/mailto;\n");
    entry.close();
    QFile mimeapps(home.Path() + "/config/mimeapps.list");
    ASSERT_TRUE(mimeapps.open(QIODevice::WriteOnly));
    mimeapps.write("[Default Applications]\nx-scheme-handler/mailto=marker-mail.desktop\n");
    mimeapps.close();
    extraEnv.insert("XDG_DATA_HOME", data);
    extraEnv.insert("XDG_DATA_DIRS", home.Path() + "/none");
    extraEnv.insert("XDG_CONFIG_DIRS", home.Path() + "/none");
    Settings s;
    s.WriteInt(setting::AutoLaunchEmailClient, autoLaunch);
    s.Sync();

    QProcess& p = Start(ZEPIM_PATH);
    ASSERT_TRUE(
        test::WaitUntil([&] { return LockHeld("zepim") || p.state() == QProcess::NotRunning; }));
    ASSERT_EQ(p.state(), QProcess::Running) << p.readAllStandardError().toStdString();
    if (autoLaunch != 0) {
        ASSERT_TRUE(test::WaitUntil([&] { return QFile::exists(marker); }))
            << "the mail client was not started";
        QFile ran(marker);
        ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
        EXPECT_EQ(ran.readAll(), "0\n"); // started on its mailbox, with no address
        EXPECT_EQ(Terminate(p), 0);
    } else {
        // The signal is handled only once start-up is through: any launch happened before it.
        EXPECT_EQ(Terminate(p), 0);
        EXPECT_FALSE(
            test::WaitUntil([&] { return QFile::exists(marker); }, std::chrono::milliseconds(500)));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, AppAutoLaunch, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param != 0 ? std::string("set") : std::string("unset");
                         });

} // namespace
} // namespace zep
