// The saved password against a real secret service (gnome-keyring-daemon on the test's private
// session bus, unlocked with a test password, its keyrings in a scratch folder), and the
// fall-back to the scrambled value when none runs or the one that runs does not answer.
// Each case needs a process of its own, as ctest runs them: the secret-service library keeps its
// first connection to a keyring for the life of the process, so a keyring started after another
// one was stopped is not reached (the password then goes to the settings, scrambled).
#include "app/logon_dialog.h"
#include "app/main_frame.h"
#include "desktop/options_pages.h"
#include "desktop/wiz_setup.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/saved_password.h"
#include "session/settings.h"
#include "tests/support/dev_server.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <qt6keychain/keychain.h>

namespace zep {
namespace {

using namespace std::chrono_literals;

bool SecretServiceOwned()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.secrets"));
}

// What the keyring itself holds for the messenger, read past the code under test.
std::optional<QString> KeyringItem()
{
    auto* job = new QKeychain::ReadPasswordJob(QLatin1String(saved_password::kKeyringService));
    job->setKey(saved_password::KeyringKey());
    std::optional<QString> item;
    bool done = false;
    QObject::connect(job, &QKeychain::Job::finished, [&](QKeychain::Job*) {
        if (job->error() == QKeychain::NoError)
            item = job->textData();
        done = true;
    });
    job->start();
    test::WaitUntil([&] { return done; }, 10s);
    return item;
}

class KeyringTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The daemon keeps its keyrings under the data folder, its sockets under the runtime one.
        const QString root = home.Path();
        QDir().mkpath(root + "/data");
        QDir().mkpath(root + "/run");
        QFile::setPermissions(root + "/run",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("HOME", root.toUtf8());
        qputenv("XDG_DATA_HOME", (root + "/data").toUtf8());
        qputenv("XDG_RUNTIME_DIR", (root + "/run").toUtf8());
        ASSERT_FALSE(SecretServiceOwned()) << "a keyring is left over from another test";
    }
    void TearDown() override
    {
        if (stopped)
            ::kill(keyring.Pid(), SIGCONT);
        keyring.Stop();
        test::WaitUntil([] { return !SecretServiceOwned(); }, 5s);
    }
    void StartKeyring()
    {
        ASSERT_TRUE(keyring.Start({"gnome-keyring-daemon", "--foreground", "--unlock",
                                   "--components=secrets", "--control-directory",
                                   (home.Path() + "/run/keyring").toStdString()}));
        keyring.WriteInput("keyring-test-password");
        keyring.CloseInput();
        ASSERT_TRUE(test::WaitUntil(SecretServiceOwned, 10s)) << keyring.Output();
    }
    PasswordStore KeepAndWait(const std::string& plain)
    {
        std::optional<PasswordStore> where;
        saved_password::Keep(plain, 5s, &receiver, [&](PasswordStore s) { where = s; });
        EXPECT_TRUE(test::WaitUntil([&] { return where.has_value(); }, 10s));
        return where.value_or(PasswordStore::Settings);
    }
    std::optional<std::string> ReadAndWait(std::chrono::milliseconds limit = 5s)
    {
        std::optional<std::string> got;
        saved_password::Read(limit, &receiver, [&](std::string p) { got = std::move(p); });
        test::WaitUntil([&] { return got.has_value(); }, limit + 5s);
        return got;
    }
    QString SettingsFileText() const
    {
        Settings().Sync();
        QFile f(Settings().FileName());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    test::ScratchHome home;
    test::ChildProcess keyring;
    QObject receiver;
    bool stopped = false;
};

TEST_F(KeyringTest, PasswordsGoToTheKeyringWholeAndLeaveNothingInTheSettings)
{
    // Settings of their own (as the tests and the demo have) never take the user's own item.
    EXPECT_TRUE(saved_password::KeyringKey().startsWith(QStringLiteral("password ")));
    StartKeyring();
    struct Row
    {
        const char* name;
        std::string plain;
    };
    const Row rows[] = {
        {"plain letters", "anna123"},
        {"characters the scrambled form used to drop", "-dash and star*"},
        {"beyond Latin-1", "p\xC3\xA4ss \xE2\x82\xAC \xF0\x9F\x94\x91"},
        {"the longest a logon takes", std::string(kMaxPasswordChars, 'x')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // A scrambled value from an earlier start is replaced, not kept beside the keyring.
        Settings().WriteText(setting::Password, QString::fromStdString(PasswordScramble("old")));
        EXPECT_EQ(KeepAndWait(row.plain), PasswordStore::Keyring);
        EXPECT_EQ(KeyringItem(), QString::fromStdString(row.plain));
        Settings s;
        EXPECT_FALSE(s.Contains(setting::Password));
        EXPECT_TRUE(saved_password::InKeyring(s));
        EXPECT_FALSE(SettingsFileText().contains("password=")) << SettingsFileText().toStdString();
        EXPECT_EQ(ReadAndWait(), row.plain);
    }
    // Forgetting removes it from both places.
    saved_password::Forget();
    EXPECT_FALSE(saved_password::Present(Settings()));
    EXPECT_TRUE(test::WaitUntil([] { return !KeyringItem().has_value(); }, 10s));
    EXPECT_EQ(ReadAndWait(), "");
}

TEST_F(KeyringTest, WithoutAKeyringThePasswordIsKeptScrambled)
{
    EXPECT_EQ(KeepAndWait("ben123"), PasswordStore::Settings);
    Settings s;
    EXPECT_TRUE(s.ReadText(setting::Password).startsWith('+'));
    EXPECT_FALSE(saved_password::InKeyring(s));
    EXPECT_EQ(ReadAndWait(), "ben123");
    // A note left by a keyring that is gone: the read falls back instead of waiting.
    s.WriteInt(setting::PasswordInKeyring, 1);
    EXPECT_EQ(ReadAndWait(), "ben123");
}

// A keyring that owns its name but does not answer (stopped) holds nothing up for longer than
// the limit: the read gives what the settings have.
TEST_F(KeyringTest, AKeyringThatDoesNotAnswerIsGivenUpOnInTime)
{
    StartKeyring();
    ASSERT_EQ(KeepAndWait("carla123"), PasswordStore::Keyring);
    ASSERT_EQ(::kill(keyring.Pid(), SIGSTOP), 0);
    stopped = true;
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(ReadAndWait(500ms), "");
    std::printf("read from a stuck keyring given up after %lld ms\n",
                static_cast<long long>(took.elapsed()));
    EXPECT_LT(took.elapsed(), 1500);
}

// Where the options say the password goes, beside "Save password".
TEST_F(KeyringTest, AccountPageSaysWhereThePasswordIsSaved)
{
    struct Row
    {
        const char* name;
        bool keyring;
        const char* note;
    };
    const Row rows[] = {
        {"no keyring", false, "scrambled in the settings file"},
        {"keyring running", true, "desktop keyring"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.keyring)
            StartKeyring();
        CZEPOptionsAccount page;
        ASSERT_TRUE(test::WaitUntil([&] { return !page.StoreNote().isEmpty(); }));
        EXPECT_TRUE(page.StoreNote().contains(row.note)) << page.StoreNote().toStdString();
    }
}

// The setup wizard keeps a saved password where the rest of the program does.
TEST_F(KeyringTest, SetupWizardSavesThePasswordInTheKeyringWhenOneRuns)
{
    struct Row
    {
        const char* name;
        bool keyring;
    };
    const Row rows[] = {{"no keyring", false}, {"keyring running", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.keyring)
            StartKeyring();
        CWizSetup wizard;
        wizard.show();
        wizard.ServerPageWidget()->Server()->setText("im.example.com");
        wizard.next();
        wizard.UserPageWidget()->Address()->setText("anna@example.com");
        wizard.UserPageWidget()->Password()->setText("anna123");
        wizard.UserPageWidget()->SavePassword()->setChecked(true);
        wizard.next();
        wizard.next();
        wizard.accept();
        ASSERT_TRUE(test::WaitUntil([&] { return wizard.result() == QDialog::Accepted; }));
        Settings s;
        EXPECT_EQ(saved_password::InKeyring(s), row.keyring);
        EXPECT_EQ(s.Contains(setting::Password), !row.keyring) << SettingsFileText().toStdString();
        EXPECT_EQ(ReadAndWait(), "anna123");
    }
    EXPECT_EQ(KeyringItem(), "anna123");
}

// The messenger end to end: a password saved scrambled by an older start moves into the keyring
// at the next logon, the logon after that takes it from the keyring, and logging on with "Save
// password" unticked leaves it nowhere.
TEST_F(KeyringTest, LogonMovesTheScrambledPasswordIntoTheKeyringAndReadsItFromThere)
{
    StartKeyring();
    test::DevServer server;
    ASSERT_TRUE(server.Up());
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, server.Port());
    s.WriteText(setting::Email, "anna@example.com");
    s.WriteText(setting::Password, QString::fromStdString(PasswordScramble("anna123")));
    s.WriteInt(setting::SavePassword, 1);
    ClientConnection connection;
    FrameOptions options;
    options.trayIcon = false;
    options.watchNetwork = false;
    CMainFrame frame(connection, options);
    const auto loggedOn = [&] { return frame.CurrentView() == ViewKind::Main; };

    frame.StartFirstView(true);
    ASSERT_TRUE(test::WaitUntil(loggedOn));
    ASSERT_TRUE(test::WaitUntil([&] { return saved_password::InKeyring(Settings()); }));
    EXPECT_FALSE(Settings().Contains(setting::Password));
    EXPECT_EQ(KeyringItem(), "anna123");

    frame.OnRegisteredMessage(uwm::Logoff(), 0, 0);
    frame.StartFirstView(true);
    EXPECT_EQ(frame.CurrentView(), ViewKind::Signon);
    ASSERT_TRUE(test::WaitUntil(loggedOn));
    EXPECT_TRUE(frame.Pending().fromKeyring);
    EXPECT_EQ(frame.OpenDialog(), nullptr);

    // Unticked in the dialog: after the logon nothing is saved anywhere.
    frame.OnRegisteredMessage(uwm::Logoff(), 0, 0);
    Settings().WriteInt(setting::SavePassword, 0);
    frame.OnRegisteredMessage(uwm::Logon(), 0, 0);
    ASSERT_NE(frame.OpenDialog(), nullptr);
    frame.OpenDialog()->PasswordEdit()->setText("anna123");
    frame.OpenDialog()->accept();
    ASSERT_TRUE(test::WaitUntil(loggedOn));
    EXPECT_TRUE(test::WaitUntil([] { return !KeyringItem().has_value(); }, 10s));
    EXPECT_FALSE(saved_password::Present(Settings()));
}

// A stuck keyring at start-up: the logon asks for the password instead of hanging.
TEST_F(KeyringTest, StuckKeyringAtLogonOpensTheDialogWithinTheLimit)
{
    StartKeyring();
    ASSERT_EQ(KeepAndWait("anna123"), PasswordStore::Keyring);
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, 1);
    s.WriteText(setting::Email, "anna@example.com");
    s.WriteInt(setting::SavePassword, 1);
    ASSERT_EQ(::kill(keyring.Pid(), SIGSTOP), 0);
    stopped = true;
    ClientConnection connection;
    FrameOptions options;
    options.trayIcon = false;
    options.watchNetwork = false;
    options.keyringLimit = 500ms;
    CMainFrame frame(connection, options);
    QElapsedTimer took;
    took.start();
    frame.StartFirstView(true);
    EXPECT_EQ(frame.CurrentView(), ViewKind::Signon);
    ASSERT_TRUE(test::WaitUntil([&] { return frame.OpenDialog() != nullptr; }, 5s));
    EXPECT_LT(took.elapsed(), 1500);
    EXPECT_EQ(frame.CurrentView(), ViewKind::Logon);
    EXPECT_EQ(frame.OpenDialog()->Address(), "anna@example.com");
}

} // namespace
} // namespace zep
