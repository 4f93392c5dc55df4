#include "app/main_frame.h"
#include "app/zepim_view.h"

#include <utility>

#include "app/logon_dialog.h"
#include "app/zep_status_bar.h"
#include "desktop/desktop_notice.h"
#include "desktop/network_watch.h"
#include "desktop/tray_icon.h"
#include "resources/resources.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/saved_password.h"
#include "session/settings.h"
#include "transport/log_writer.h"
#include "ui/display_texts.h"
#include "ui/help.h"
#include "ui/placement.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QShortcut>
#include <QTimer>

namespace zep {

CMainFrame::CMainFrame(ClientConnection& connection, FrameOptions options, QWidget* parent)
    : QMainWindow(parent), m_connection(connection), m_options(options),
      m_statusBar(new CZEPStatusBar(this)), m_schedule(m_options.reconnect)
{
    InitResources();
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(text::AppTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/zepim.png")));
    setStatusBar(m_statusBar);
    // The window is often not the active one (it comes from the tray); its tips still show.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    resize(300, 380);
    CreateMenus();
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [] { zep::ShowHelp(helpctx::MainFrame); });
    // Made whether or not a notification area is there yet: it shows when one appears.
    if (m_options.trayIcon) {
        m_tray = new CTrayIcon(this, m_options.trayAvailable);
        connect(m_tray, &CTrayIcon::openRequested, this, &CMainFrame::ShowFromOutside);
        connect(m_tray, &CTrayIcon::toggleRequested, this, [this] {
            if (isVisible() && !isMinimized() && isActiveWindow())
                OnHide();
            else
                ShowFromOutside();
        });
        connect(m_tray, &CTrayIcon::menuRequested, this,
                [this](QMenu* menu) { BuildTrayMenu(*menu); });
    }
    if (m_options.watchNetwork) {
        m_networkWatch = new CNetworkWatch(this);
        connect(m_networkWatch, &CNetworkWatch::reachableAgain, this, &CMainFrame::OnNetworkBack);
    }
}

CMainFrame::~CMainFrame()
{
    Shutdown();
}

void CMainFrame::StartFirstView(bool automaticLogon)
{
    if (automaticLogon) {
        // The same pending logon as "log on" makes, and a boot without network keeps retrying.
        m_autoReconnect = true;
        FillPendingFromSettings();
        SwitchView(ViewKind::Signon);
    } else {
        SwitchView(ViewKind::Logon);
    }
}

void CMainFrame::SwitchView(ViewKind kind)
{
    ++m_generation;
    // The logon worker has posted its one result and is ending: join it without shutting down
    // the socket the logged-on view is about to use.
    if (kind == ViewKind::Main)
        m_worker.StopWait();
    else
        StopWorker();
    // The old view ends before anything else happens: its threads stop (it returns at once,
    // whatever the network does) while the connection is still open, and it goes with
    // deleteLater, since a handler of it may be on the stack below us.
    if (auto* old = qobject_cast<CZepimView*>(centralWidget()))
        old->Shutdown(std::exchange(m_endReason, QString()));
    if (QWidget* previous = takeCentralWidget()) {
        previous->hide();
        previous->deleteLater();
    }
    QWidget* view = nullptr;
    switch (kind) {
    case ViewKind::Logon:
        view =
            new CZepimLogonView([this] { PostRegisteredMessage(this, uwm::Logon(), 0, 0); }, this);
        break;
    case ViewKind::Signon:
        view = new CZepimSignonView(this);
        break;
    case ViewKind::Main: {
        view = new CZepimView(m_connection, this, m_generation, this);
        break;
    }
    }
    setCentralWidget(view);
    m_viewKind = kind;
    UpdateCommands();
    view->setFocus();
    UpdateStatus();
    if (kind == ViewKind::Signon)
        PostRegisteredMessage(this, uwm::StartLogon(), 0, static_cast<std::intptr_t>(m_generation));
    emit viewChanged(kind);
}

std::intptr_t CMainFrame::OnRegisteredMessage(MessageId id, std::intptr_t wParam,
                                              std::intptr_t lParam)
{
    if (m_shutDown)
        return 0;
    if (id == uwm::Logon())
        OnLogon(wParam, lParam);
    else if (id == uwm::StartLogon())
        OnStartLogon(lParam);
    else if (id == uwm::LogonComplete())
        OnLogonComplete(lParam);
    else if (id == uwm::LogonFailed() || id == uwm::ConnectFailed() ||
             id == uwm::VersionCheckFailed())
        OnFailure(id, wParam, lParam);
    else if (id == uwm::ConnectionLost())
        OnConnectionLost(lParam);
    else if (id == uwm::Logoff())
        OnLogoff(lParam);
    else if (id == uwm::ReconnectWait())
        OnReconnectWait(wParam, lParam);
    else if (id == uwm::CertificateUnknown() || id == uwm::CertificateChanged())
        OnCertificate(id, wParam, lParam);
    return 0;
}

void CMainFrame::OnLogon(std::intptr_t wParam, std::intptr_t lParam)
{
    if (m_viewKind != ViewKind::Logon)
        return;
    // The reconnect worker's request counts only while its generation is current.
    if (wParam != 0 && static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    m_silentLogon = wParam != 0;
    if (wParam == 0)
        m_autoReconnect = true;
    FillPendingFromSettings();
    if (!m_pending.email.isEmpty() &&
        (m_pending.inKeyring || !PasswordUnscramble(m_pending.savedPassword).empty()))
        SwitchView(ViewKind::Signon);
    else
        OpenLogonDialog();
}

void CMainFrame::FillPendingFromSettings()
{
    Settings settings;
    m_pending.email = settings.ReadText(setting::Email);
    m_pending.savePassword = settings.ReadInt(setting::SavePassword, 0) != 0;
    m_pending.savedPassword =
        m_pending.savePassword ? settings.ReadText(setting::Password).toStdString() : std::string();
    m_pending.inKeyring = m_pending.savePassword && saved_password::InKeyring(settings);
    m_pending.fromKeyring = false;
}

void CMainFrame::OpenLogonDialog()
{
    if (m_dialog)
        m_dialog->deleteLater();
    Settings settings;
    auto* dialog = new LogonDialog(settings.ReadText(setting::Email),
                                   settings.ReadInt(setting::SavePassword, 0) != 0, this);
    m_dialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Window-modal: the frame takes no input while the dialog is up, and is usable again as soon
    // as it closes either way.
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_silentLogon = false;
        m_pending.savePassword = dialog->SavePassword();
        m_pending.email = dialog->Address();
        const QByteArray typed = dialog->Password().toUtf8();
        m_pending.savedPassword = PasswordScramble(std::string_view(typed.data(), typed.size()));
        m_pending.inKeyring = false;
        m_pending.fromKeyring = false;
        if (!m_pending.email.isEmpty())
            Settings().WriteText(setting::Email, m_pending.email);
        if (!m_pending.email.isEmpty() && !typed.isEmpty() && m_viewKind == ViewKind::Logon)
            SwitchView(ViewKind::Signon);
    });
    dialog->open();
}

void CMainFrame::OnStartLogon(std::intptr_t lParam)
{
    if (m_viewKind != ViewKind::Signon || static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    StopWorker();
    if (!m_pending.inKeyring || !PasswordUnscramble(m_pending.savedPassword).empty())
        return StartLogonWorker();
    // The keyring answers on the event loop; the logging-on view shows meanwhile. One that does
    // not answer in time, or has nothing, leaves the scrambled value or the question.
    const std::uint64_t generation = m_generation;
    saved_password::Read(m_options.keyringLimit, this, [this, generation](std::string plain) {
        if (m_viewKind != ViewKind::Signon || generation != m_generation)
            return;
        m_pending.inKeyring = false;
        if (plain.empty()) {
            SwitchView(ViewKind::Logon);
            OpenLogonDialog();
            return;
        }
        m_pending.savedPassword = PasswordScramble(plain);
        m_pending.fromKeyring = true;
        StartLogonWorker();
    });
}

void CMainFrame::StartLogonWorker()
{
    m_connection.ResetCancel();
    const PendingLogon pending = m_pending;
    m_worker.Start([this, pending, post = PosterFor(m_generation)](WorkerControl& control) {
        RunLogonThread(control, m_connection, pending, post);
    });
}

void CMainFrame::KeepPassword()
{
    // Unticked: nothing is left behind in either place. Ticked: a password typed in, or one
    // still kept scrambled, goes to the keyring where there is one.
    if (!m_pending.savePassword)
        return saved_password::Forget();
    if (m_pending.fromKeyring)
        return;
    saved_password::Keep(PasswordUnscramble(m_pending.savedPassword), m_options.keyringLimit);
}

void CMainFrame::OnLogonComplete(std::intptr_t lParam)
{
    if (m_viewKind != ViewKind::Signon || static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    SwitchView(ViewKind::Main);
    // The logon worker has been joined: the schedule is the frame's again. Its back-off starts
    // again only once this connection has stayed up for a while (see OnConnectionLost).
    m_schedule.LoggedOn(ReconnectSchedule::Clock::now());
    KeepPassword();
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "Logged on as %s.",
               m_connection.Own().email.toUtf8().constData());
}

void CMainFrame::OnFailure(MessageId id, std::intptr_t wParam, std::intptr_t lParam)
{
    // Failures of the logon thread belong to the logging-on view, those of the reconnect thread
    // to the logged-off view; anything else is a late result of an attempt already given up.
    const ViewKind expected = wParam != 0 ? ViewKind::Logon : ViewKind::Signon;
    if (m_viewKind != expected || static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    SwitchView(ViewKind::Logon);
    m_connection.Disconnect();
    // The retry runs while the message box is up, not after it is closed. A refused logon is not
    // retried: the same address and password would only be refused again.
    // Nor is a connect or logon refused here for the user's safety: it would only be refused
    // again, and the user has to see why.
    const ImResult refusal = m_connection.Refusal();
    if (m_autoReconnect && id != uwm::LogonFailed() && refusal == ImResult::Ok)
        StartReconnectThread();
    if (id == uwm::LogonFailed()) {
        // A refused password is not tried again: the worker dropped the scrambled value.
        saved_password::Forget();
        if (!m_silentLogon)
            ShowMessage(text::LogonFailed());
    } else if (id == uwm::ConnectFailed()) {
        if (refusal != ImResult::Ok)
            ShowMessage(
                text::Refusal(refusal, QString::fromStdString(m_connection.PeerTrust().trustFile)));
        else if (!m_silentLogon)
            ShowMessage(text::ConnectFailed());
    } else if (wParam == 0) {
        ShowMessage(text::IncompatibleVersion());
    }
}

void CMainFrame::OnConnectionLost(std::intptr_t lParam)
{
    // The logged-on view's reader passes its generation; a loss reported by a view that is
    // already gone changes nothing.
    if (m_viewKind != ViewKind::Main ||
        (lParam != 0 && static_cast<std::uint64_t>(lParam) != m_generation))
        return;
    m_endReason = tr("The connection to the server was lost");
    SwitchView(ViewKind::Logon);
    m_connection.Disconnect();
    m_schedule.Lost(ReconnectSchedule::Clock::now());
    if (m_autoReconnect)
        StartReconnectThread();
}

void CMainFrame::LeaveOpenSessions(std::function<void()> then)
{
    auto* view =
        m_viewKind == ViewKind::Main ? qobject_cast<CZepimView*>(centralWidget()) : nullptr;
    auto once = std::make_shared<bool>(false);
    auto go = [once, then = std::move(then)] {
        if (!std::exchange(*once, true))
            then();
    };
    if (view == nullptr || !m_connection.IsLoggedOn())
        return go();
    // The last answer arrives inside the view's hand-over; what follows may end the view (an
    // exit deletes it at once), so it runs once that call has returned.
    const auto later = [this, go] { QMetaObject::invokeMethod(this, go, Qt::QueuedConnection); };
    if (view->LeaveOpenSessions(later) == 0)
        return go();
    // A server that does not answer keeps nobody from leaving.
    QTimer::singleShot(kLeaveLimit, this, go);
}

void CMainFrame::OnLogoff(std::intptr_t lParam)
{
    m_autoReconnect = false;
    if (lParam == 0) {
        // The user's own log-off: the others see them leave each conversation first. A lost
        // connection or a sign-off by the server meanwhile takes over (a new generation).
        if (std::exchange(m_leavingOff, true))
            return;
        const std::uint64_t generation = m_generation;
        LeaveOpenSessions([this, generation] {
            m_leavingOff = false;
            if (!m_shutDown && generation == m_generation)
                FinishLogoff(0);
        });
        return;
    }
    FinishLogoff(lParam);
}

void CMainFrame::FinishLogoff(std::intptr_t lParam)
{
    m_endReason = lParam != 0 ? tr("You were signed off because you signed on from a "
                                   "different location")
                              : tr("You logged off");
    SwitchView(ViewKind::Logon);
    m_connection.Disconnect();
    if (lParam != 0) {
        PostNotice({NoticeKind::SignedOff, text::AppTitle(), text::SignedOff(), this});
        ShowMessage(text::SignedOff());
    }
}

void CMainFrame::StartReconnectThread()
{
    StopWorker();
    m_connection.ResetCancel();
    m_worker.Start([this, post = PosterFor(m_generation)](WorkerControl& control) {
        RunReconnectThread(control, m_connection, m_schedule, post);
    });
}

void CMainFrame::OnReconnectWait(std::intptr_t wParam, std::intptr_t lParam)
{
    if (m_viewKind != ViewKind::Logon || static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    m_statusBar->ShowReconnect(std::chrono::milliseconds(wParam));
    if (wParam >= 0)
        LogWriteIf(ZepimLog(), kLogProgress, 99999, "Next try to reconnect in %ld ms.",
                   static_cast<long>(wParam));
    emit reconnectDue(static_cast<qint64>(wParam));
}

void CMainFrame::OnNetworkBack(const QString& why)
{
    // Only a retry that is waiting is hurried; a logon under way or a logged-on view carry on.
    if (m_viewKind != ViewKind::Logon || !m_worker.Running())
        return;
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "Trying to reconnect at once: %s.",
               why.toUtf8().constData());
    m_worker.Nudge();
}

PostResult CMainFrame::PosterFor(std::uint64_t generation)
{
    return [this, generation](unsigned message, std::intptr_t wParam) {
        PostRegisteredMessage(this, message, wParam, static_cast<std::intptr_t>(generation));
    };
}

void CMainFrame::StopWorker()
{
    m_worker.StopWait([this] { m_connection.Wake(); });
}

void CMainFrame::UpdateStatus()
{
    const bool loggedOn = m_viewKind == ViewKind::Main && m_connection.IsLoggedOn();
    QString address;
    std::optional<QString> cipher;
    if (loggedOn) {
        address = m_connection.Own().email;
        if (address.isEmpty())
            address = m_pending.email;
        cipher = m_connection.CipherDescription();
    }
    m_statusBar->UpdateStatusBar(loggedOn, address, cipher);
    if (m_tray)
        m_tray->SetLoggedOn(m_viewKind == ViewKind::Main);
}

void CMainFrame::ShowMessage(const QString& message)
{
    // Not exec(): the frame keeps handling its messages while the box is up.
    auto* box =
        new QMessageBox(QMessageBox::Warning, text::AppTitle(), message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText); // may name a file or carry the server's words
    box->setObjectName(QStringLiteral("ZepMessageBox"));
    box->open();
    emit messageShown(message);
}

void CMainFrame::ShowFromOutside()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
    }
}

void CMainFrame::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    StopWorker();
    if (m_dialog)
        delete m_dialog.data();
    CloseOfflineWindows();
    Settings settings;
    SaveMainPlacement(settings, *this);
    if (auto* view = qobject_cast<CZepimView*>(centralWidget()))
        view->Shutdown();
    delete takeCentralWidget();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_shutDown || m_exiting) {
        event->accept();
        return;
    }
    // Closing the window never ends the program: it goes to the notification area, or is
    // minimised where there is none at this moment, so it can always be found again.
    event->ignore();
    OnHide();
}

RpcView* CMainFrame::RpcLoggedOnView()
{
    return m_viewKind == ViewKind::Main ? qobject_cast<CZepimView*>(View()) : nullptr;
}

void CMainFrame::RpcWatchLogon(QObject* context, std::function<void()> changed)
{
    connect(this, &CMainFrame::viewChanged, context, [changed = std::move(changed)] { changed(); });
}

void CMainFrame::OnHide()
{
    if (TrayAvailable())
        hide();
    else
        showMinimized();
}

} // namespace zep
