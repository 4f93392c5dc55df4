// The main frame's menu bar, its accelerators and the notification-area menu, and the
// commands behind them. Every command is posted or acts at once without a nested loop, so a
// server event handled meanwhile never finds the frame half-way through one.
#include "app/main_frame.h"

#include "app/zepim_view.h"
#include "contacts/status_menu.h"
#include "conversations/history_window.h"
#include "desktop/tray_icon.h"
#include "session/messages.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "ui/about_box.h"
#include "ui/display_texts.h"
#include "ui/help.h"

#include <QMenuBar>
#include <QShortcut>

namespace zep {

namespace {

// Help commands open the help at its contents, its search or its index page.
constexpr int kHelpContents = 204;
constexpr int kHelpSearch = 205;
constexpr int kHelpIndex = 57666;

} // namespace

void CMainFrame::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    m_logIn = file->addAction(tr("Log &In"), this, &CMainFrame::OnLogIn);
    m_logIn->setObjectName(QStringLiteral("LogIn"));
    m_logOut = file->addAction(tr("Log &Out"), this, &CMainFrame::OnLogOut);
    m_logOut->setObjectName(QStringLiteral("LogOut"));
    file->addSeparator();
    file->addAction(tr("&Close"), this, &CMainFrame::OnHide);
    QAction* exit = file->addAction(tr("E&xit"), this, &CMainFrame::OnExit);
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    exit->setObjectName(QStringLiteral("Exit"));

    QMenu* contacts = menuBar()->addMenu(tr("&Contacts"));
    m_addContact = contacts->addAction(tr("&Add a contact..."), this, &CMainFrame::OnAddContact);
    m_addContact->setObjectName(QStringLiteral("AddContact"));
    m_deleteContact =
        contacts->addAction(tr("&Delete a contact..."), this, &CMainFrame::OnDeleteContact);
    m_deleteContact->setObjectName(QStringLiteral("DeleteContact"));
    contacts->addSeparator();
    m_blockedContacts =
        contacts->addAction(tr("&Blocked Contacts..."), this, &CMainFrame::OnBlockedContacts);
    m_blockedContacts->setObjectName(QStringLiteral("BlockedContacts"));
    contacts->addSeparator();
    m_viewHistory = contacts->addAction(tr("View &History..."), this, &CMainFrame::OnViewHistory);
    m_viewHistory->setObjectName(QStringLiteral("ViewHistory"));

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    tools->addAction(tr("&Options..."), this, &CMainFrame::optionsRequested)
        ->setObjectName(QStringLiteral("Options"));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&Contents"), this, [this] { ShowHelp(kHelpContents); });
    help->addAction(tr("&Search"), this, [this] { ShowHelp(kHelpSearch); });
    help->addAction(tr("&Index"), this, [this] { ShowHelp(kHelpIndex); });
    help->addSeparator();
    help->addAction(tr("&About ZEP Instant Messenger..."), this, &CMainFrame::ShowAbout);

    // Esc hides the window; F6 and Shift+F6 move between the panes.
    auto* hide = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(hide, &QShortcut::activated, this, &CMainFrame::OnHide);
    auto* next = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(next, &QShortcut::activated, this, [this] { focusNextChild(); });
    auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
    connect(previous, &QShortcut::activated, this, [this] { focusPreviousChild(); });
    UpdateCommands();
}

void CMainFrame::UpdateCommands()
{
    const bool main = m_viewKind == ViewKind::Main;
    m_logIn->setEnabled(!main);
    m_logOut->setEnabled(main);
    m_addContact->setEnabled(main);
    m_deleteContact->setEnabled(main);
    m_blockedContacts->setEnabled(main);
    auto* view = qobject_cast<CZepimView*>(centralWidget());
    m_viewHistory->setEnabled(main && view != nullptr && view->History() != nullptr);
}

void CMainFrame::OnViewHistory()
{
    auto* view = qobject_cast<CZepimView*>(centralWidget());
    history::Store* store = m_viewKind == ViewKind::Main && view ? view->History() : nullptr;
    if (store != nullptr)
        conversations::HistoryWindow::Open(*store);
}

void CMainFrame::OnLogIn()
{
    if (m_viewKind != ViewKind::Main)
        PostRegisteredMessage(this, uwm::Logon(), 0, 0);
}

void CMainFrame::OnLogOut()
{
    if (m_viewKind == ViewKind::Main)
        PostRegisteredMessage(this, uwm::Logoff(), 0, 0);
}

MailLaunch CMainFrame::LaunchMail()
{
    WebmailCredentialInput credentials = SavedWebmailCredentials(Settings());
    // The password of the running session, which the user may not have kept.
    credentials.loggedOn = m_viewKind == ViewKind::Main && m_connection.IsLoggedOn();
    if (credentials.loggedOn) {
        credentials.liveAddress = m_connection.Own().email.toStdString();
        if (credentials.liveAddress.empty())
            credentials.liveAddress = m_lifecycle.Pending().email.toStdString();
        credentials.livePassword = PasswordUnscramble(m_lifecycle.Pending().savedPassword);
    }
    return zep::LaunchMail(credentials, m_options.mail);
}

void CMainFrame::OnExit()
{
    // The close handler lets the window go from now on; the application ends the program in
    // its shutdown order once this command has returned.
    m_exiting = true;
    emit exitRequested();
}

void CMainFrame::BuildTrayMenu(QMenu& menu)
{
    menu.clear();
    auto* view = qobject_cast<CZepimView*>(centralWidget());
    const bool main = m_viewKind == ViewKind::Main && view != nullptr;
    QMenu* status = menu.addMenu(tr("My Status"));
    status->setObjectName(QStringLiteral("TrayStatusMenu"));
    if (main) {
        contacts::BuildStatusMenu(*status, view->Own().status, view->Own().subStatus);
        connect(status, &QMenu::triggered, this, [this](QAction* action) {
            // Looked up again: the view may have changed while the menu was open.
            auto* current = qobject_cast<CZepimView*>(centralWidget());
            const int chosen = contacts::MenuCommand(action);
            if (current == nullptr || chosen == 0)
                return;
            if (chosen == contacts::command::CustomStatus)
                current->OpenCustomStatus();
            else
                current->SendStatus(chosen);
        });
    }
    status->menuAction()->setEnabled(main && m_connection.IsLoggedOn());
    menu.addAction(tr("Log In"), this, &CMainFrame::OnLogIn)->setEnabled(!main);
    menu.addAction(tr("Log Out"), this, &CMainFrame::OnLogOut)->setEnabled(main);
    menu.addSeparator();
    menu.addAction(tr("Open %1").arg(text::AppTitle()), this, &CMainFrame::OnOpen);
    menu.addAction(tr("Exit"), this, &CMainFrame::OnExit);
}

} // namespace zep
