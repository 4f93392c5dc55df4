#include "app/logon_dialog.h"
#include "app/main_frame.h"
#include "app/zep_status_bar.h"
#include "desktop/tray_icon.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "ui/display_texts.h"
#include "ui/placement.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTcpServer>
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

// A loopback port on which nothing listens: connecting is refused at once.
int ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Settings s;
        s.WriteText(setting::Server, "127.0.0.1");
        s.WriteInt(setting::Port, ClosedPort());
        frame = std::make_unique<CMainFrame>(connection, QuietFrame(60s));
        frame->show();
    }
    void TearDown() override { frame.reset(); }

    void Post(MessageId id, std::intptr_t w = 0, std::intptr_t l = 0)
    {
        PostRegisteredMessage(frame.get(), id, w, l);
    }
    bool WaitForView(ViewKind kind)
    {
        return test::WaitUntil([&] { return frame->CurrentView() == kind; });
    }

    test::ScratchHome home;
    ClientConnection connection;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(FrameTest, StartsInTheLogonViewWithTitleAndSize)
{
    frame->StartFirstView(false);
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
    EXPECT_EQ(frame->windowTitle(), "ZEP Instant Messenger");
    auto* view = qobject_cast<CZepimLogonView*>(frame->View());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->Link()->text().contains("Click here to logon"));
    EXPECT_EQ(frame->ZepStatusBar()->AddressText(), "");
}

TEST_F(FrameTest, LogonWithoutSavedPasswordOpensTheDialogFocusedOnThePassword)
{
    Settings().WriteText(setting::Email, "ann@example.com");
    Settings().WriteText(setting::Password, QString::fromStdString(PasswordScramble("pw")));
    Settings().WriteInt(setting::SavePassword, 0); // the stored password is ignored then
    frame->StartFirstView(false);
    Post(uwm::Logon());
    ASSERT_TRUE(test::WaitUntil([&] { return frame->OpenDialog() != nullptr; }));
    LogonDialog* dialog = frame->OpenDialog();
    EXPECT_EQ(dialog->Address(), "ann@example.com");
    EXPECT_EQ(dialog->Password(), "");
    EXPECT_FALSE(dialog->SavePassword());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    ASSERT_TRUE(test::WaitUntil([&] { return dialog->PasswordEdit()->hasFocus(); }));
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
    EXPECT_TRUE(frame->AutoReconnect()) << "a user-started logon retries after failures";
}

TEST_F(FrameTest, DialogWithoutAddressFocusesTheAddressAndCancelStartsNothing)
{
    frame->StartFirstView(false);
    Post(uwm::Logon());
    ASSERT_TRUE(test::WaitUntil([&] { return frame->OpenDialog() != nullptr; }));
    LogonDialog* dialog = frame->OpenDialog();
    ASSERT_TRUE(test::WaitUntil([&] { return dialog->AddressEdit()->hasFocus(); }));
    dialog->reject();
    ASSERT_TRUE(test::WaitUntil([&] { return frame->OpenDialog() == nullptr; }));
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
    EXPECT_TRUE(frame->isEnabled());
}

TEST_F(FrameTest, ConfirmedDialogLogsOnAndAConnectFailureShowsItsTextAndRetries)
{
    QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
    frame->StartFirstView(false);
    Post(uwm::Logon());
    ASSERT_TRUE(test::WaitUntil([&] { return frame->OpenDialog() != nullptr; }));
    LogonDialog* dialog = frame->OpenDialog();
    dialog->AddressEdit()->setText("bob@example.com");
    dialog->PasswordEdit()->setText("-secret*");
    dialog->SaveBox()->setChecked(true);
    dialog->accept();

    EXPECT_EQ(Settings().ReadText(setting::Email), "bob@example.com");
    EXPECT_EQ(PasswordUnscramble(frame->Pending().savedPassword), "-secret*");
    EXPECT_FALSE(frame->SilentLogon());
    ASSERT_TRUE(test::WaitUntil([&] { return shown.count() == 1; }));
    EXPECT_EQ(shown.at(0).at(0).toString(), text::ConnectFailed());
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
    EXPECT_TRUE(frame->WorkerRunning()) << "the reconnect worker is already running";
    // A connect failure is no refusal: nothing about the password changes.
    EXPECT_EQ(Settings().ReadInt(setting::SavePassword, 0), 0);
    EXPECT_FALSE(Settings().Contains(setting::Password));
}

TEST_F(FrameTest, ConfirmingTheDialogEndsASilentLogon)
{
    // A background retry without a saved password opens the dialog; once the user confirms it,
    // failures are the user's to see again.
    Settings().WriteText(setting::Email, "f@example.com");
    QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
    frame->StartFirstView(false);
    frame->OnRegisteredMessage(uwm::Logon(), 1, static_cast<std::intptr_t>(frame->Generation()));
    ASSERT_NE(frame->OpenDialog(), nullptr);
    EXPECT_TRUE(frame->SilentLogon());
    frame->OpenDialog()->PasswordEdit()->setText("typed");
    frame->OpenDialog()->accept();
    EXPECT_FALSE(frame->SilentLogon());
    ASSERT_TRUE(test::WaitUntil([&] { return shown.count() == 1; }));
    EXPECT_EQ(shown.at(0).at(0).toString(), text::ConnectFailed());
}

// What the lifecycle asks the frame to tell, in the user's words.
TEST_F(FrameTest, LogoffFromTheServerTellsWhy)
{
    QSignalSpy shown(frame.get(), &CMainFrame::messageShown);
    frame->StartFirstView(false);
    frame->OnRegisteredMessage(uwm::Logoff(), 0, 1);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.at(0).at(0).toString(),
              "Signed off ZEP Instant Messenger because you signed on from a different location");
}

TEST_F(FrameTest, ClosingTheWindowNeverEndsTheProgram)
{
    frame->StartFirstView(false);
    frame->close();
    // No notification area offscreen: the window is minimised, still there to be found.
    EXPECT_TRUE(frame->isMinimized() || frame->isHidden());
    EXPECT_NE(frame->View(), nullptr);
    frame->ShowFromOutside();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(frame->isMinimized());
}

TEST_F(FrameTest, ShutdownSavesThePlacementAndDropsTheView)
{
    frame->StartFirstView(false);
    frame->resize(333, 444);
    frame->Shutdown();
    EXPECT_EQ(frame->View(), nullptr);
    Settings s;
    ASSERT_FALSE(s.ReadRecord(setting::MainWp).isEmpty());
    QWidget other;
    ASSERT_TRUE(RestoreMainPlacement(s, other));
    EXPECT_EQ(other.size(), QSize(333, 444));
}

TEST(StatusBar, ShowsTheAddressAndTheLockOnlyWhenLoggedOn)
{
    CZEPStatusBar bar;
    bar.UpdateStatusBar(true, "eve@example.com",
                        QString("SSL - cipher name \"X\" cipher strength (256,256)"));
    EXPECT_EQ(bar.AddressText(), "eve@example.com");
    EXPECT_TRUE(bar.LockShown());
    EXPECT_EQ(bar.LockTip(), "SSL - cipher name \"X\" cipher strength (256,256)");
    bar.UpdateStatusBar(true, "eve@example.com", std::nullopt);
    EXPECT_FALSE(bar.LockShown());
    EXPECT_EQ(bar.LockTip(), "");
    bar.UpdateStatusBar(false, "eve@example.com", QString("tip"));
    EXPECT_EQ(bar.AddressText(), "");
    EXPECT_FALSE(bar.LockShown());
    EXPECT_GE(bar.minimumHeight(), 20);
}

// The entries of a menu with their enabled states, separators as "-".
std::vector<std::pair<std::string, bool>> Entries(QMenu& menu)
{
    std::vector<std::pair<std::string, bool>> out;
    for (QAction* action : menu.actions())
        out.emplace_back(action->isSeparator() ? "-" : action->text().toStdString(),
                         action->isEnabled());
    return out;
}

TEST(TrayIcon, MenuEscAndClosingFollowTheNotificationArea)
{
    test::ScratchHome home;
    ClientConnection connection;
    bool trayThere = false;
    FrameOptions options = QuietFrame(60s);
    options.trayIcon = true;
    options.trayAvailable = [&] { return trayThere; };
    CMainFrame frame(connection, options);
    frame.StartFirstView(false);
    frame.show();
    ASSERT_NE(frame.Tray(), nullptr);
    QMenu menu;
    frame.BuildTrayMenu(menu);
    const std::vector<std::pair<std::string, bool>> loggedOff{{"My Status", false},
                                                              {"Log In", true},
                                                              {"Log Out", false},
                                                              {"-", true},
                                                              {"Open ZEP Instant Messenger", true},
                                                              {"Exit", true}};
    EXPECT_EQ(Entries(menu), loggedOff);
    EXPECT_TRUE(frame.LogInAction()->isEnabled());
    EXPECT_FALSE(frame.LogOutAction()->isEnabled());

    // No notification area yet: closing minimises, so the window can still be found.
    frame.close();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(frame.isMinimized());
    // One appears later (the panel started after us): Esc hides, the icon opens again.
    trayThere = true;
    frame.Tray()->CheckAvailability();
    frame.ShowFromOutside();
    frame.OnHide();
    EXPECT_FALSE(frame.isVisible());
    emit frame.Tray()->openRequested();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_FALSE(frame.isMinimized());
    // A click puts the window away when it is in front, and brings it back.
    ASSERT_TRUE(test::WaitUntil([&] { return frame.isActiveWindow(); }));
    emit frame.Tray()->toggleRequested();
    EXPECT_FALSE(frame.isVisible());
    emit frame.Tray()->toggleRequested();
    EXPECT_TRUE(frame.isVisible());
    // File > Exit (Ctrl+Q) is there as in the tray's menu.
    EXPECT_EQ(frame.findChild<QAction*>(QStringLiteral("Exit"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Q));

    // Exit lets the window close for real.
    QSignalSpy exits(&frame, &CMainFrame::exitRequested);
    frame.OnExit();
    EXPECT_EQ(exits.count(), 1);
    frame.close();
    EXPECT_FALSE(frame.isVisible());
}

TEST(TrayIcon, TipIsCutTo127Characters)
{
    CTrayIcon tray(nullptr, [] { return false; });
    tray.SetTip(QString(200, u'x'));
    EXPECT_EQ(tray.Tip().size(), 127);
}

TEST(TrayIcon, TipAndBadgeFollowTheLogonAndTheUnreadCount)
{
    CTrayIcon tray;
    // The badge's corner: red while messages are unread, as the status image has it otherwise.
    const auto corner = [&tray] {
        return tray.CurrentIcon().pixmap(32, 32).toImage().pixelColor(29, 6);
    };
    const QColor plain = corner();
    const struct
    {
        bool loggedOn;
        int unread;
        const char* tip;
        bool badge;
    } rows[] = {{false, 0, "ZEP Instant Messenger - Not Logged On", false},
                {true, 0, "ZEP Instant Messenger - Logged On", false},
                {true, 3, "3 unread messages", true},
                {true, 0, "ZEP Instant Messenger - Logged On", false},
                {false, 0, "ZEP Instant Messenger - Not Logged On", false}};
    for (const auto& row : rows) {
        tray.SetLoggedOn(row.loggedOn);
        tray.SetUnread(row.unread);
        EXPECT_EQ(tray.Tip(), row.tip);
        const QColor now = corner();
        EXPECT_EQ(now.red() > 150 && now.green() < 80, row.badge) << row.tip;
        if (!row.badge && !row.loggedOn) {
            EXPECT_EQ(now, plain);
        }
    }
}

} // namespace
} // namespace zep
