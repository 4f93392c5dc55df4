// The logon lifecycle of the frame against a real zep-devserver.
#include "app/logon_dialog.h"
#include "app/main_frame.h"
#include "app/views.h"
#include "app/zep_status_bar.h"
#include "desktop/network_watch.h"
#include "desktop/tray_icon.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/child_process.h"
#include "tests/support/dev_server.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "tests/support/zepim_process.h"
#include "transport/im_connection.h"
#include "transport/tls_pins.h"
#include "ui/display_texts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

namespace zep {
namespace {

using namespace std::chrono_literals;

// No notification area (tests must not depend on one) and the given reconnect interval.
FrameOptions QuietFrame(std::chrono::milliseconds reconnect)
{
    FrameOptions options;
    options.reconnect = ReconnectPolicy::Fixed(reconnect);
    options.trayIcon = false;
    return options;
}

using test::DevServer;

// For the cases where the point is that nothing happens: the event loop runs for a while.
void LetIntervalsPass(std::chrono::milliseconds span)
{
    test::WaitUntil([] { return false; }, span);
}

class LogonE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Up());
        Settings s;
        s.WriteText(setting::Server, "127.0.0.1");
        s.WriteInt(setting::Port, server.Port());
        s.WriteInt(setting::SslPort, server.TlsPort());
        frame = std::make_unique<CMainFrame>(connection, QuietFrame(100ms));
        frame->show();
    }
    void TearDown() override { frame.reset(); }

    void SaveCredentials(const QString& email, const std::string& password)
    {
        Settings s;
        s.WriteText(setting::Email, email);
        s.WriteText(setting::Password, QString::fromStdString(PasswordScramble(password)));
        s.WriteInt(setting::SavePassword, 1);
    }
    bool WaitForView(ViewKind kind, std::chrono::milliseconds limit = 10s)
    {
        return test::WaitUntil([&] { return frame->CurrentView() == kind; }, limit);
    }
    LogonDialog* DialogFromLink()
    {
        frame->StartFirstView(false);
        frame->OnRegisteredMessage(uwm::Logon(), 0, 0);
        return frame->OpenDialog();
    }

    test::ScratchHome home;
    DevServer server;
    ClientConnection connection;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(LogonE2E, SavedCredentialsLogOnAndSwitchToTheLoggedOnView)
{
    SaveCredentials("anna@example.com", "anna123");
    QSignalSpy views(frame.get(), &CMainFrame::viewChanged);
    frame->StartFirstView(true);
    ASSERT_TRUE(WaitForView(ViewKind::Main));
    EXPECT_TRUE(connection.IsLoggedOn());
    auto* view = qobject_cast<CZepimView*>(frame->View());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->Shown().contains("Anna Berg")) << view->Shown().toStdString();
    EXPECT_EQ(frame->ZepStatusBar()->AddressText(), "anna@example.com");
    EXPECT_FALSE(frame->ZepStatusBar()->LockShown());
    // The preferences were fetched into the settings.
    EXPECT_TRUE(Settings().Contains("IMAwayTime"));
    EXPECT_EQ(Settings().ReadInt(setting::SavePassword, 0), 1);
    // Signon, then the logged-on view: one switch each.
    ASSERT_EQ(views.count(), 2);
}

// The development server's self-signed certificate, as a first connection sees it.
std::string ServerFingerprint(int tlsPort)
{
    test::TempDir dir;
    ImConnection conn;
    conn.trust.pinFile = dir.File("trust");
    conn.trust.acceptUnknown = true;
    if (ImConnect(conn, "127.0.0.1", static_cast<std::uint16_t>(tlsPort), true, false, "", 0) !=
        ImResult::Ok)
        return {};
    return conn.peerTrust.certificate.sha256;
}

std::string PinnedFingerprint(int tlsPort)
{
    std::vector<TlsPin> pins;
    if (LoadPins(DefaultTrustFile(), pins) != ImResult::Ok)
        return "unreadable";
    const auto pin = FindPin(pins, "127.0.0.1", static_cast<std::uint16_t>(tlsPort));
    return pin ? ColonFingerprint(*pin) : std::string();
}

TEST_F(LogonE2E, TlsCertificateTrust)
{
    const std::string own = ServerFingerprint(server.TlsPort());
    ASSERT_EQ(own.size(), 95u);
    std::string other;
    for (int i = 0; i < 32; ++i)
        other += std::string(i ? ":" : "") + "5A";
    enum class Answer
    {
        None, // no box may appear
        Yes,
        No,
        Ok, // the changed-certificate warning
    };
    struct Row
    {
        const char* name;
        std::string pinBefore; // colon form; empty: none
        int hidden;            // 0: window shown; 1: in the notification area; 2: minimised
        Answer answer;
        ViewKind view;
        std::string pinAfter;
        bool autoReconnect;
    } rows[] = {
        {"pinned certificate logs on silently", own, 0, Answer::None, ViewKind::Main, own, true},
        {"yes pins the certificate and logs on", "", 0, Answer::Yes, ViewKind::Main, own, true},
        {"no cancels the logon and the retries", "", 0, Answer::No, ViewKind::Logon, "", false},
        {"changed certificate is refused with a warning", other, 0, Answer::Ok, ViewKind::Logon,
         other, false},
        {"background logon asks once the window is shown", "", 1, Answer::Yes, ViewKind::Main, own,
         true},
        {"background logon asks once the window is restored", "", 2, Answer::No, ViewKind::Logon,
         "", false},
    };
    Settings().WriteInt(setting::UseSsl, 1);
    SaveCredentials("ben@example.com", "ben123");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::remove(DefaultTrustFile().c_str());
        if (!row.pinBefore.empty()) {
            ASSERT_EQ(PinCertificate(DefaultTrustFile(), "127.0.0.1",
                                     static_cast<std::uint16_t>(server.TlsPort()), row.pinBefore),
                      ImResult::Ok);
        }
        frame = std::make_unique<CMainFrame>(connection, QuietFrame(100ms));
        if (row.hidden == 0)
            frame->show();
        else if (row.hidden == 2)
            frame->showMinimized();
        QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
        frame->StartFirstView(true);

        if (row.answer == Answer::None) {
            ASSERT_TRUE(WaitForView(ViewKind::Main));
            EXPECT_EQ(frame->TrustBox(), nullptr);
            EXPECT_TRUE(frame->ZepStatusBar()->LockShown());
            EXPECT_TRUE(frame->ZepStatusBar()->LockTip().startsWith("SSL - cipher name \""))
                << frame->ZepStatusBar()->LockTip().toStdString();
        } else {
            if (row.hidden) {
                // Nothing pops up over the desktop: the question waits for the window.
                ASSERT_TRUE(test::WaitUntil([&] { return frame->TrustQuestionWaiting(); }));
                LetIntervalsPass(300ms);
                EXPECT_EQ(frame->TrustBox(), nullptr);
                EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
                EXPECT_FALSE(frame->WorkerRunning());
                if (row.hidden == 2)
                    frame->showNormal();
                else
                    frame->show();
            }
            ASSERT_TRUE(test::WaitUntil([&] { return frame->TrustBox() != nullptr; }));
            QMessageBox* box = frame->TrustBox();
            EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
            EXPECT_EQ(box->windowModality(), Qt::WindowModal);
            const std::string all = (box->text() + "\n" + box->informativeText()).toStdString();
            EXPECT_NE(all.find(own), std::string::npos) << all;
            EXPECT_NE(all.find("127.0.0.1:" + std::to_string(server.TlsPort())), std::string::npos)
                << all;
            if (row.answer == Answer::Ok) {
                EXPECT_NE(all.find(other), std::string::npos) << all;
                EXPECT_EQ(box->button(QMessageBox::Yes), nullptr);
            } else {
                EXPECT_EQ(box->text(), text::TrustQuestion());
                EXPECT_NE(all.find("CN="), std::string::npos) << all;
                // Another attempt meanwhile asks no second question.
                frame->OnRegisteredMessage(uwm::Logon(), 0, 0);
                ASSERT_TRUE(test::WaitUntil([&] {
                    return frame->CurrentView() == ViewKind::Logon && !frame->WorkerRunning();
                }));
                LetIntervalsPass(200ms);
                EXPECT_EQ(frame->findChildren<QMessageBox*>("ZepTrustBox").size(), 1);
            }
            QAbstractButton* button = box->button(row.answer == Answer::Yes  ? QMessageBox::Yes
                                                  : row.answer == Answer::No ? QMessageBox::No
                                                                             : QMessageBox::Ok);
            ASSERT_NE(button, nullptr);
            button->click();
            ASSERT_TRUE(WaitForView(row.view));
            if (row.view == ViewKind::Logon)
                LetIntervalsPass(300ms); // no retry comes back with the same question
            EXPECT_EQ(frame->CurrentView(), row.view);
            EXPECT_EQ(frame->TrustBox(), nullptr);
        }
        if (row.answer == Answer::No) {
            ASSERT_FALSE(shown.isEmpty());
            EXPECT_EQ(
                shown.last().at(0).toString(),
                text::CertificateNotTrusted(QStringLiteral("127.0.0.1:%1").arg(server.TlsPort())));
        }
        EXPECT_EQ(PinnedFingerprint(server.TlsPort()), row.pinAfter);
        EXPECT_EQ(frame->AutoReconnect(), row.autoReconnect);
        EXPECT_EQ(connection.IsLoggedOn(), row.view == ViewKind::Main);
        frame.reset();
        connection.Disconnect();
    }
}

TEST_F(LogonE2E, WrongPasswordGivesTheLogonFailureAndForgetsSavePassword)
{
    QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
    Settings().WriteText(setting::Email, "anna@example.com");
    LogonDialog* dialog = DialogFromLink();
    ASSERT_NE(dialog, nullptr);
    dialog->PasswordEdit()->setText("Anna123"); // passwords are case sensitive
    dialog->SaveBox()->setChecked(true);
    dialog->accept();
    ASSERT_TRUE(test::WaitUntil([&] { return shown.count() == 1; }));
    EXPECT_EQ(shown.at(0).at(0).toString(), text::LogonFailed());
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
    EXPECT_EQ(Settings().ReadInt(setting::SavePassword, 1), 0);
    EXPECT_FALSE(connection.IsLoggedOn());
    EXPECT_FALSE(frame->WorkerRunning()) << "a refused logon is not retried";
}

TEST_F(LogonE2E, DialogLogonSavesThePasswordOnlyWhenAsked)
{
    Settings().WriteText(setting::Email, "carla@example.com");
    LogonDialog* dialog = DialogFromLink();
    ASSERT_NE(dialog, nullptr);
    dialog->PasswordEdit()->setText("carla123");
    dialog->SaveBox()->setChecked(true);
    dialog->accept();
    ASSERT_TRUE(WaitForView(ViewKind::Main));
    Settings s;
    EXPECT_EQ(s.ReadInt(setting::SavePassword, 0), 1);
    // No keyring runs here: the password is kept scrambled, once the bus has said so.
    ASSERT_TRUE(test::WaitUntil([&] { return s.Contains(setting::Password); }));
    EXPECT_TRUE(s.ReadText(setting::Password).startsWith('+'));
    EXPECT_EQ(PasswordUnscramble(s.ReadText(setting::Password).toStdString()), "carla123");

    // Log off, log on again without the box: "savepassword" goes back to 0.
    frame->OnRegisteredMessage(uwm::Logoff(), 0, 0);
    s.WriteInt(setting::SavePassword, 0);
    frame->OnRegisteredMessage(uwm::Logon(), 0, 0);
    dialog = frame->OpenDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->SavePassword());
    dialog->PasswordEdit()->setText("carla123");
    dialog->accept();
    ASSERT_TRUE(WaitForView(ViewKind::Main));
    EXPECT_EQ(Settings().ReadInt(setting::SavePassword, 1), 0);
}

TEST_F(LogonE2E, ReconnectStartedLogonFailsSilently)
{
    QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
    SaveCredentials("anna@example.com", "wrong");
    frame->StartFirstView(false);
    frame->OnRegisteredMessage(uwm::Logon(), 1, static_cast<std::intptr_t>(frame->Generation()));
    ASSERT_EQ(frame->CurrentView(), ViewKind::Signon);
    ASSERT_TRUE(WaitForView(ViewKind::Logon));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(Settings().ReadInt(setting::SavePassword, 1), 0);
}

TEST_F(LogonE2E, LostConnectionReconnectsByItself)
{
    SaveCredentials("ben@example.com", "ben123");
    frame->StartFirstView(false);
    frame->OnRegisteredMessage(uwm::Logon(), 0, 0); // user-started: reconnection armed
    ASSERT_TRUE(WaitForView(ViewKind::Main));
    QSignalSpy views(frame.get(), &CMainFrame::viewChanged);
    // What the receive thread posts when the server goes away; a report from an earlier view
    // changes nothing.
    frame->OnRegisteredMessage(uwm::ConnectionLost(), 0,
                               static_cast<std::intptr_t>(frame->Generation() - 1));
    EXPECT_EQ(frame->CurrentView(), ViewKind::Main);
    PostRegisteredMessage(frame.get(), uwm::ConnectionLost(), 0,
                          static_cast<std::intptr_t>(frame->Generation()));
    ASSERT_TRUE(WaitForView(ViewKind::Logon));
    EXPECT_TRUE(frame->WorkerRunning());
    // The reconnect worker (100 ms here) finds the server, and the saved password logs on.
    ASSERT_TRUE(WaitForView(ViewKind::Main));
    EXPECT_TRUE(frame->SilentLogon());
    EXPECT_GE(views.count(), 3);
}

TEST_F(LogonE2E, ReconnectKeepsTryingWhileTheServerIsDown)
{
    SaveCredentials("ben@example.com", "ben123");
    frame->StartFirstView(false);
    frame->OnRegisteredMessage(uwm::Logon(), 0, 0);
    ASSERT_TRUE(WaitForView(ViewKind::Main));
    server.Stop();
    PostRegisteredMessage(frame.get(), uwm::ConnectionLost(), 0, 0);
    ASSERT_TRUE(WaitForView(ViewKind::Logon));
    // Several intervals pass without a server; the worker stays on it and nothing is shown.
    QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
    LetIntervalsPass(400ms);
    EXPECT_TRUE(frame->WorkerRunning());
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
    EXPECT_EQ(shown.count(), 0);
}

TEST_F(LogonE2E, ServerLogoffStopsReconnection)
{
    SaveCredentials("carla@example.com", "carla123");
    frame->StartFirstView(false);
    frame->OnRegisteredMessage(uwm::Logon(), 0, 0);
    ASSERT_TRUE(WaitForView(ViewKind::Main));
    QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
    PostRegisteredMessage(frame.get(), uwm::Logoff(), 0, 1);
    ASSERT_TRUE(WaitForView(ViewKind::Logon));
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(frame->AutoReconnect());
    EXPECT_FALSE(frame->WorkerRunning());
    EXPECT_FALSE(connection.IsLoggedOn());
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon) << "no worker runs, so no logon follows";
}

TEST_F(LogonE2E, LogoffDuringTheLogonNeverBuildsTheLoggedOnView)
{
    SaveCredentials("anna@example.com", "anna123");
    frame->StartFirstView(true);
    frame->OnRegisteredMessage(uwm::Logoff(), 0, 0);
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
    // The logon worker was stopped and joined: its result can never arrive.
    EXPECT_FALSE(frame->WorkerRunning());
    EXPECT_FALSE(connection.IsLoggedOn());
}

// A user-started logon that finds no server: the failure is shown, and once the server is up
// the background retry logs on by itself with the saved password.
TEST(LogonRetry, ServerThatComesUpLaterIsLoggedOnToWithoutADialog)
{
    test::ScratchHome home;
    const int port = test::FreeLoopbackPort();
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, port);
    s.WriteText(setting::Email, "ben@example.com");
    s.WriteText(setting::Password, QString::fromStdString(PasswordScramble("ben123")));
    s.WriteInt(setting::SavePassword, 1);
    ClientConnection connection;
    CMainFrame frame(connection, QuietFrame(100ms));
    QSignalSpy shown(&frame, &CMainFrame::messageShown);
    frame.StartFirstView(false);
    frame.OnRegisteredMessage(uwm::Logon(), 0, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return shown.count() == 1; }));
    EXPECT_EQ(shown.at(0).at(0).toString(), text::ConnectFailed());
    ASSERT_TRUE(frame.WorkerRunning());

    DevServer server(port);
    ASSERT_TRUE(server.Up());
    ASSERT_TRUE(test::WaitUntil([&] { return frame.CurrentView() == ViewKind::Main; }));
    EXPECT_EQ(frame.OpenDialog(), nullptr);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(connection.IsLoggedOn());
}

TEST(LogonRetry, WithoutSavedPasswordTheRetryOpensTheDialog)
{
    test::ScratchHome home;
    const int port = test::FreeLoopbackPort();
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, port);
    s.WriteText(setting::Email, "ben@example.com");
    ClientConnection connection;
    CMainFrame frame(connection, QuietFrame(100ms));
    QSignalSpy shown(&frame, &CMainFrame::messageShown);
    frame.StartFirstView(false);
    frame.OnRegisteredMessage(uwm::Logon(), 0, 0);
    ASSERT_NE(frame.OpenDialog(), nullptr);
    frame.OpenDialog()->PasswordEdit()->setText("ben123"); // typed, not saved
    frame.OpenDialog()->accept();
    ASSERT_TRUE(test::WaitUntil([&] { return shown.count() == 1; }));
    ASSERT_TRUE(test::WaitUntil([&] { return frame.OpenDialog() == nullptr; }));

    DevServer server(port);
    ASSERT_TRUE(server.Up());
    ASSERT_TRUE(test::WaitUntil([&] { return frame.OpenDialog() != nullptr; }));
    EXPECT_EQ(frame.OpenDialog()->Address(), "ben@example.com");
    EXPECT_EQ(frame.CurrentView(), ViewKind::Logon);
    EXPECT_TRUE(frame.SilentLogon());
}

// Reconnecting on the messenger's own back-off and on the moments the network comes back.
class ReconnectE2E : public ::testing::Test
{
protected:
    void Start(ReconnectPolicy policy, bool watchNetwork)
    {
        ASSERT_TRUE(server.Up());
        port = server.Port();
        Settings s;
        s.WriteText(setting::Server, "127.0.0.1");
        s.WriteInt(setting::Port, port);
        s.WriteText(setting::Email, "ben@example.com");
        s.WriteText(setting::Password, QString::fromStdString(PasswordScramble("ben123")));
        s.WriteInt(setting::SavePassword, 1);
        FrameOptions options;
        options.reconnect = policy;
        options.watchNetwork = watchNetwork;
        // The icon is made, but no notification area is there to show it.
        options.trayAvailable = [] { return false; };
        frame = std::make_unique<CMainFrame>(connection, options);
        due = std::make_unique<QSignalSpy>(frame.get(), &CMainFrame::reconnectDue);
        frame->StartFirstView(false);
        frame->OnRegisteredMessage(uwm::Logon(), 0, 0); // user-started: retries armed
        ASSERT_TRUE(WaitForView(ViewKind::Main));
    }
    bool WaitForView(ViewKind kind, std::chrono::milliseconds limit = 10s)
    {
        return test::WaitUntil([&] { return frame->CurrentView() == kind; }, limit);
    }
    // How many waits for a next try have begun.
    int Waits() const
    {
        int n = 0;
        for (const auto& call : *due)
            n += call.at(0).toLongLong() >= 0 ? 1 : 0;
        return n;
    }

    test::ScratchHome home;
    DevServer server;
    int port = 0;
    ClientConnection connection;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<QSignalSpy> due;
};

TEST_F(ReconnectE2E, ServerStoppedAndStartedAgainOnTheSamePortIsLoggedOnToAgain)
{
    Start(ReconnectPolicy{}, false);
    server.Stop();
    ASSERT_TRUE(WaitForView(ViewKind::Logon));
    EXPECT_EQ(frame->Tray()->Tip(), "ZEP Instant Messenger - Not Logged On");
    // The first try comes a few seconds after the loss and is refused; the second waits twice
    // as long (both within their jitter).
    ASSERT_TRUE(test::WaitUntil([&] { return Waits() >= 2; }, 10s));
    std::vector<qint64> delays;
    for (const auto& call : *due)
        if (call.at(0).toLongLong() >= 0)
            delays.push_back(call.at(0).toLongLong());
    EXPECT_GE(delays[0], 2400);
    EXPECT_LE(delays[0], 3600);
    EXPECT_GE(delays[1], 4800);
    EXPECT_LE(delays[1], 7200);
    EXPECT_TRUE(frame->ZepStatusBar()->ReconnectText().startsWith("Reconnecting in "))
        << frame->ZepStatusBar()->ReconnectText().toStdString();
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);

    QElapsedTimer back;
    ASSERT_TRUE(server.Start(port));
    back.start();
    ASSERT_TRUE(WaitForView(ViewKind::Main, 15s));
    const qint64 ms = back.elapsed();
    std::printf("server back to logged on: %lld ms (next try was due in %lld ms)\n",
                static_cast<long long>(ms), static_cast<long long>(delays[1]));
    RecordProperty("server_back_to_logged_on_ms", static_cast<int>(ms));
    EXPECT_LT(ms, 10000);
    EXPECT_TRUE(connection.IsLoggedOn());
    EXPECT_EQ(frame->Tray()->Tip(), "ZEP Instant Messenger - Logged On");
    EXPECT_TRUE(frame->ZepStatusBar()->ReconnectText().isEmpty());
    EXPECT_EQ(frame->ZepStatusBar()->AddressText(), "ben@example.com");
}

// The back-off is a minute here, so only the signal can bring the logon within the limit.
TEST_F(ReconnectE2E, NetworkBackOrResumeTriesAtOnce)
{
    struct Row
    {
        const char* name;
        std::function<void(CMainFrame&)> signal;
    };
    const Row rows[] = {
        {"network reachable again", [](CMainFrame& f) { f.OnNetworkBack("test: reachable"); }},
        {"resumed from suspend",
         [](CMainFrame& f) {
             ASSERT_NE(f.NetworkWatch(), nullptr);
             QMetaObject::invokeMethod(f.NetworkWatch(), "OnPrepareForSleep", Q_ARG(bool, false));
         }},
    };
    Start(ReconnectPolicy{60s, 120s, 0.2}, true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Counted before the loss: the worker's first wait may be announced before the view
        // has changed.
        const int waits = Waits();
        server.Stop();
        ASSERT_TRUE(WaitForView(ViewKind::Logon));
        ASSERT_TRUE(test::WaitUntil([&] { return Waits() > waits; }));
        ASSERT_TRUE(server.Start(port));
        LetIntervalsPass(300ms);
        EXPECT_EQ(frame->CurrentView(), ViewKind::Logon) << "the back-off alone waits a minute";
        QElapsedTimer signalled;
        signalled.start();
        row.signal(*frame);
        ASSERT_TRUE(WaitForView(ViewKind::Main, 5s));
        const qint64 ms = signalled.elapsed();
        std::printf("%s to logged on: %lld ms\n", row.name, static_cast<long long>(ms));
        EXPECT_LT(ms, 2000);
    }
}

// The program as a user starts it: settings with a saved password and automatic logon, no
// display (offscreen), and it logs on at once.
TEST(ZepimProgram, LogsOnAtStartWithSavedSettings)
{
    test::ScratchHome home;
    DevServer server;
    ASSERT_TRUE(server.Up());
    test::ZepimProcess program(home, server.Port());
    EXPECT_TRUE(program.StartLoggedOn()) << program.Process().Output();
    // The fetched preferences reach the settings file.
    EXPECT_EQ(program.Terminate(), 0);
    QSettings after(program.ConfigFile(), QSettings::IniFormat);
    EXPECT_TRUE(after.contains("IMAwayTime"));
    EXPECT_EQ(after.value("savepassword").toInt(), 1);
}

} // namespace
} // namespace zep
