// The main window: shows one of the three views and the boxes of the logon, whose state and
// workers belong to its LogonLifecycle; the frame's registered messages go on to it.
#pragma once

#include "app/logon_dialog.h"
#include "app/views.h"
#include "contacts/contact_actions.h"
#include "conversations/offline_message_host.h"
#include "conversations/offline_message_window.h"
#include "desktop/launcher_entry.h"
#include "desktop/mail_launch.h"
#include "desktop/rpc_host.h"
#include "session/logon_lifecycle.h"
#include "session/messages.h"
#include "session/reconnect_schedule.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QSystemTrayIcon>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

class QAction;

namespace zep {

class CZEPStatusBar;
class CTrayIcon;
class CNetworkWatch;
class ClientConnection;

struct FrameOptions
{
    // The back-off of background retries after a failure or a lost connection.
    ReconnectPolicy reconnect;
    // Retries at once when the network comes back or the machine resumes (off in tests that
    // inject those moments through OnNetworkBack).
    bool watchNetwork = true;
    // How long the logon waits for the desktop keyring before it asks for the password.
    std::chrono::milliseconds keyringLimit{std::chrono::seconds(5)};
    // Off in tests that must not depend on a notification area.
    bool trayIcon = true;
    // Whether a notification area is there now (tests replace it).
    std::function<bool()> trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    // The activity monitor's last-input tick, for the logged-on view's keep-alives.
    std::function<unsigned()> lastActivity;
    // The desktop's mail clients, browser and windows, for the mail launch.
    MailDesktop mail;
};

class CMainFrame : public QMainWindow,
                   public MessageReceiver,
                   public conversations::OfflineMessageHost,
                   public RpcHost
{
    Q_OBJECT
public:
    CMainFrame(ClientConnection& connection, FrameOptions options, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The first view at start-up: logging on with the saved credentials, or logged off.
    void StartFirstView(bool automaticLogon);
    void SwitchView(ViewKind kind) { m_lifecycle.SwitchView(kind); }
    ViewKind CurrentView() const { return m_viewKind; }
    QWidget* View() const { return centralWidget(); }

    std::intptr_t OnRegisteredMessage(MessageId id, std::intptr_t wParam,
                                      std::intptr_t lParam) override;

    // Shows the window from the tray or for a second start, restoring it when minimised.
    void ShowFromOutside();
    // The exit path: stops the worker, closes the dialog, saves the placement, drops the view.
    void Shutdown();
    // Before a log-off or an exit by the user: LEAVE for the open conversations while the
    // connection still works, then `then`, at the latest after kLeaveLimit. At once when not
    // logged on or nothing is open.
    void LeaveOpenSessions(std::function<void()> then);
    static constexpr std::chrono::milliseconds kLeaveLimit{2000};

    // Offline message windows belong to the frame, so a log-off or a lost connection never
    // takes a half-written message with it. 0, or 26 when the window cannot be made (a list
    // would be empty), or kOfflineWindowsBusy when kMaxOfflineWindows are open. A window of
    // the same kind for the same contact is brought to the front instead of opening another.
    // `own` is the user's record as the logged-on view knows it.
    static constexpr std::size_t kMaxOfflineWindows = 20;
    static constexpr int kOfflineWindowsBusy = 1;
    int OpenOfflineMessage(contacts::OfflineKind kind, const ContactRecord& contact,
                           const ContactRecord& own);
    std::vector<conversations::COfflineMessageWindow*> OfflineWindows() const;

    // OfflineMessageHost
    ContactRecord OwnRecord() const override { return m_own; }
    void SendOfflineMessage(std::string type, std::string headers, std::string body,
                            QObject* context, std::function<void(ImResult)> done) override;
    void OfflineWindowClosed(conversations::COfflineMessageWindow* window) override;
    void ShowHelp(int topic) override;
    void ShowAbout() override;
    history::Store* History() const override;

    // Opens the user's mail (the contact list's mail notice): the webmail's token carries the
    // logged-on session's credentials, or the saved ones when logged off.
    MailLaunch LaunchMail();

    // "&Add a contact..." (141), "&Delete a contact..." (143) and "&Blocked Contacts...", for
    // the logged-on view.
    void OnAddContact();
    void OnDeleteContact();
    void OnBlockedContacts();
    // "View &History...": the account's history, while logged on with one kept.
    void OnViewHistory();
    QAction* AddContactAction() const { return m_addContact; }
    QAction* DeleteContactAction() const { return m_deleteContact; }
    QAction* BlockedContactsAction() const { return m_blockedContacts; }
    QAction* ViewHistoryAction() const { return m_viewHistory; }

    CZEPStatusBar* ZepStatusBar() const { return m_statusBar; }
    CTrayIcon* Tray() const { return m_tray; }
    // A notification area is there now: closing hides the window instead of minimising it.
    bool TrayAvailable() const { return m_tray != nullptr && m_options.trayAvailable(); }

    // The frame's commands: "Log In" (126), "Log Out" (135), "Open" (134), "Exit" (136), hide
    // (57665, Esc, closing the window).
    void OnLogIn() override;
    void OnLogOut() override;
    void OnOpen() override { ShowFromOutside(); }
    void OnExit() override;
    void OnHide() override;

    // What the control service asks of the frame.
    QWidget* RpcWindow() override { return this; }
    bool RpcLoggedOn() const override { return m_viewKind == ViewKind::Main; }
    RpcView* RpcLoggedOnView() override;
    void RpcWatchLogon(QObject* context, std::function<void()> changed) override;
    bool Exiting() const { return m_exiting; }
    // The notification-area menu, filled anew each time it opens.
    void BuildTrayMenu(QMenu& menu);
    QAction* LogInAction() const { return m_logIn; }
    QAction* LogOutAction() const { return m_logOut; }
    LogonDialog* OpenDialog() const { return m_dialog; }
    // The open "Trust this server?" question or changed-certificate warning, if any.
    QMessageBox* TrustBox() const { return m_trustBox; }
    // A certificate question waiting for the window to be shown.
    bool TrustQuestionWaiting() const { return m_lifecycle.TrustQuestionWaiting(); }
    bool AutoReconnect() const { return m_lifecycle.AutoReconnect(); }
    // The network is reachable again or the machine has resumed: a pending retry runs now.
    void OnNetworkBack(const QString& why) { m_lifecycle.OnNetworkBack(why); }
    CNetworkWatch* NetworkWatch() const { return m_networkWatch; }
    bool SilentLogon() const { return m_lifecycle.SilentLogon(); }
    bool WorkerRunning() const { return m_lifecycle.WorkerRunning(); }
    std::uint64_t Generation() const { return m_lifecycle.Generation(); }
    const PendingLogon& Pending() const { return m_lifecycle.Pending(); }
    LogonLifecycle& Lifecycle() { return m_lifecycle; }

signals:
    void viewChanged(zep::ViewKind kind);
    void messageShown(const QString& text);
    // The next background try is due in `ms` milliseconds (-1: a try runs now).
    void reconnectDue(qint64 ms);
    void exitRequested();
    // "&Options..." (152): the application opens the options dialog over the frame.
    void optionsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // What the lifecycle asks of the window.
    void ShowView(ViewKind kind, ViewEnd why);
    void ShowNotice(const LogonNotice& notice);
    void AskTrust(const TrustQuestion& question);
    void OpenLogonDialog();
    QString EndText(ViewEnd why) const;

    void UpdateStatus();
    // The unread count on the tray icon and the launcher.
    void ShowUnread(int unread);
    void ShowMessage(const QString& text);
    void CreateMenus();
    void UpdateCommands();
    void CloseOfflineWindows();

    ClientConnection& m_connection;
    FrameOptions m_options;
    CZEPStatusBar* m_statusBar;
    CTrayIcon* m_tray = nullptr;
    LauncherEntry m_launcher{QDBusConnection::sessionBus()};
    CNetworkWatch* m_networkWatch = nullptr;
    QPointer<LogonDialog> m_dialog;
    QPointer<QMessageBox> m_trustBox;
    QAction* m_logIn = nullptr;
    QAction* m_logOut = nullptr;
    QAction* m_addContact = nullptr;
    QAction* m_deleteContact = nullptr;
    QAction* m_blockedContacts = nullptr;
    QAction* m_viewHistory = nullptr;
    std::vector<QPointer<conversations::COfflineMessageWindow>> m_offlineWindows;
    // The user's record at the last logon, for the offline windows' From lists.
    ContactRecord m_own;
    // The view shown now (the lifecycle's view once a switch is complete).
    ViewKind m_viewKind = ViewKind::Logon;
    bool m_shutDown = false;
    bool m_exiting = false;
    // Last, so it goes first: nothing it still says reaches a frame half gone.
    LogonLifecycle m_lifecycle;
};

} // namespace zep
