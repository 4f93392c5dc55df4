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
#include "session/settings.h"
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
      m_statusBar(new CZEPStatusBar(this)),
      m_lifecycle(connection, LogonOptions{m_options.reconnect, m_options.keyringLimit,
                                           [this] { return isVisible() && !isMinimized(); }})
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
    connect(&m_lifecycle, &LogonLifecycle::viewRequested, this, &CMainFrame::ShowView);
    connect(&m_lifecycle, &LogonLifecycle::viewChanged, this, &CMainFrame::viewChanged);
    connect(&m_lifecycle, &LogonLifecycle::passwordRequested, this, &CMainFrame::OpenLogonDialog);
    connect(&m_lifecycle, &LogonLifecycle::noticeRequested, this, &CMainFrame::ShowNotice);
    connect(&m_lifecycle, &LogonLifecycle::trustQuestion, this, &CMainFrame::AskTrust);
    connect(&m_lifecycle, &LogonLifecycle::leaveRequested, this,
            [this] { LeaveOpenSessions([this] { m_lifecycle.OpenSessionsLeft(); }); });
    connect(&m_lifecycle, &LogonLifecycle::reconnectDue, this, [this](qint64 ms) {
        m_statusBar->ShowReconnect(std::chrono::milliseconds(ms));
        emit reconnectDue(ms);
    });
}

CMainFrame::~CMainFrame()
{
    Shutdown();
}

void CMainFrame::StartFirstView(bool automaticLogon)
{
    m_lifecycle.Start(automaticLogon);
}

void CMainFrame::ShowView(ViewKind kind, ViewEnd why)
{
    // The old view ends before anything else happens: its threads stop (it returns at once,
    // whatever the network does) while the connection is still open, and it goes with
    // deleteLater, since a handler of it may be on the stack below us.
    if (auto* old = qobject_cast<CZepimView*>(centralWidget()))
        old->Shutdown(EndText(why));
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
        auto* main = new CZepimView(m_connection, this, m_lifecycle.Generation(), this);
        connect(main, &CZepimView::unreadChanged, this, &CMainFrame::ShowUnread);
        connect(main, &CZepimView::ownStatusShown, this, [this](const QIcon& icon) {
            if (m_tray)
                m_tray->SetStatusIcon(icon);
        });
        main->ShowOwnStatus(); // told once more, now that the tray listens
        view = main;
        break;
    }
    }
    if (kind != ViewKind::Main)
        ShowUnread(0);
    setCentralWidget(view);
    m_viewKind = kind;
    UpdateCommands();
    view->setFocus();
    UpdateStatus();
}

QString CMainFrame::EndText(ViewEnd why) const
{
    switch (why) {
    case ViewEnd::None:
        break;
    case ViewEnd::ConnectionLost:
        return tr("The connection to the server was lost");
    case ViewEnd::LoggedOff:
        return tr("You logged off");
    case ViewEnd::SignedOff:
        return tr("You were signed off because you signed on from a "
                  "different location");
    }
    return QString();
}

std::intptr_t CMainFrame::OnRegisteredMessage(MessageId id, std::intptr_t wParam,
                                              std::intptr_t lParam)
{
    if (m_shutDown)
        return 0;
    return m_lifecycle.OnRegisteredMessage(id, wParam, lParam);
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
        m_lifecycle.LogonEntered(dialog->Address(), dialog->Password(), dialog->SavePassword());
    });
    dialog->open();
}

void CMainFrame::ShowNotice(const LogonNotice& notice)
{
    switch (notice.kind) {
    case LogonNotice::Kind::LogonFailed:
        return ShowMessage(text::LogonFailed());
    case LogonNotice::Kind::ConnectFailed:
        return ShowMessage(text::ConnectFailed());
    case LogonNotice::Kind::Refusal:
        return ShowMessage(text::Refusal(notice.refusal, notice.detail));
    case LogonNotice::Kind::IncompatibleVersion:
        return ShowMessage(text::IncompatibleVersion());
    case LogonNotice::Kind::SignedOff:
        PostNotice({NoticeKind::SignedOff, text::AppTitle(), text::SignedOff(), this});
        return ShowMessage(text::SignedOff());
    case LogonNotice::Kind::CertificateNotTrusted:
        return ShowMessage(text::CertificateNotTrusted(notice.detail));
    case LogonNotice::Kind::CertificateNotPinned:
        return ShowMessage(text::CertificateNotPinned(notice.detail));
    }
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

void CMainFrame::UpdateStatus()
{
    const bool loggedOn = m_viewKind == ViewKind::Main && m_connection.IsLoggedOn();
    QString address;
    std::optional<QString> cipher;
    if (loggedOn) {
        address = m_connection.Own().email;
        if (address.isEmpty())
            address = m_lifecycle.Pending().email;
        cipher = m_connection.CipherDescription();
    }
    m_statusBar->UpdateStatusBar(loggedOn, address, cipher);
    if (m_tray)
        m_tray->SetLoggedOn(m_viewKind == ViewKind::Main);
}

void CMainFrame::ShowUnread(int unread)
{
    if (m_tray)
        m_tray->SetUnread(unread);
    m_launcher.SetCount(unread);
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
    m_lifecycle.Shutdown();
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
