#include "app/zepim_app.h"

#include "app/app_options_host.h"
#include "app/translations.h"
#include "app/zepim_view.h"
#include "common/app_identity.h"
#include "desktop/autostart.h"
#include "desktop/colour_scheme_portal.h"
#include "desktop/mail_launch.h"
#include "desktop/options_dialog.h"
#include "desktop/tray_icon.h"
#include "desktop/wiz_setup.h"
#include "resources/resources.h"
#include "session/messages.h"
#include "session/password_scramble.h"
#include "session/saved_password.h"
#include "session/settings.h"
#include "transport/load_dll.h"
#include "transport/log_writer.h"
#include "transport/timeouts.h"
#include "ui/display_texts.h"
#include "ui/help.h"
#include "ui/placement.h"

#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace zep {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = write(g_signalPipe[1], &byte, 1);
}

} // namespace

CZepimApp::CZepimApp(QApplication& app, Hooks hooks) : m_app(app), m_hooks(std::move(hooks)) {}

CZepimApp::~CZepimApp()
{
    ExitNow();
}

int CZepimApp::Start()
{
    m_app.installEventFilter(&m_iconText);
    // Before the instance is taken: once it is, a SIGTERM must go down the exit path.
    WatchTerminationSignals();
    // One copy per executable name; a second copy shows the first one's window and ends.
    m_instance = std::make_unique<CSingleInstance>(
        CSingleInstance::InstanceNameFor(QCoreApplication::applicationFilePath()));
    if (!m_instance->Acquire())
        return 0;
    connect(m_instance.get(), &CSingleInstance::showRequested, this, &CZepimApp::ShowForSecondCopy);

    // The main window lives on hidden in the notification area; only Exit ends the program.
    m_app.setQuitOnLastWindowClosed(false);
    QCoreApplication::setOrganizationName(kSettingsOrganisation);
    QCoreApplication::setApplicationName(kSettingsApplication);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kAppId));
    InitResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/zepim.png")));
    uwm::RegisterAll();

    SetDefaultTimeouts(240, 240);
    // The log is off; ZEPIM_LOG_MASK turns categories on for diagnostics (and the benchmark).
    bool maskGiven = false;
    const uint mask = qEnvironmentVariable("ZEPIM_LOG_MASK").toUInt(&maskGiven, 0);
    SetLogMask(maskGiven ? mask : 0);
    // Before the first window and the display texts.
    if (const QString loaded = InstallTranslations(m_app); !loaded.isEmpty())
        LogWriteIf(ZepimLog(), kLogProgress, 99999, "Loaded translations %s.",
                   QFile::encodeName(loaded).constData());

    if (!LoadActivityMonitor())
        return 1;
    if (!Settings::SecureStore())
        LogWrite(ZepimLog(), kLogFailure, 99999, "The settings file could not be made private.");
    // An installed program keeps its private libraries apart from its own folder; it is the
    // one "Launch" should start, so it takes over a folder recorded by a build tree.
    const bool installed = PrivateLibraryDirectory(kActivityLibraryName) != ProgramDirectory();
    if (!Settings::RecordInstallDirectory(QString::fromStdString(ProgramDirectory()), installed))
        LogWrite(ZepimLog(), kLogFailure, 99999, "The program folder could not be recorded.");
    LoadDisplayTexts();
    // The windows take the desktop's colours, dark or light, and follow a change at once.
    auto* scheme = new ColourSchemePortal(QDBusConnection::sessionBus(), &m_app);
    QObject::connect(scheme, &ColourSchemePortal::schemeChanged, &m_app, FollowColourScheme);
    if (const QString help = HelpDirectory(); help.isEmpty())
        LogWrite(ZepimLog(), kLogFailure, 99999, "The help pages were not found.");
    else
        LogWriteIf(ZepimLog(), kLogProgress, 99999, "Help pages in %s.",
                   QFile::encodeName(help).constData());

    Settings settings;
    if (settings.ReadText(setting::Version).isEmpty()) {
        FirstRun();
        if (m_exited) // ended (SIGTERM, end of session) while the wizard was up
            return 0;
    }

    const bool openMain = settings.ReadInt(setting::OpenMainWnd, defaults::OpenMainWndAtStart) != 0;
    const bool autoLogon = settings.ReadInt(setting::AutoLogon, defaults::AutoLogonAtStart) != 0;
    const bool savePassword = settings.ReadInt(setting::SavePassword, 0) != 0;
    const bool credentials = !settings.ReadText(setting::Server).trimmed().isEmpty() &&
                             !settings.ReadText(setting::Email).isEmpty() &&
                             saved_password::Present(settings);
    // Before the frame and its logon: the webmail gets the saved credentials, if kept.
    if (settings.ReadInt(setting::AutoLaunchEmailClient, 0) != 0)
        LaunchMail(SavedWebmailCredentials(settings), m_hooks.frame.mail);

    FrameOptions frameOptions = m_hooks.frame;
    if (!frameOptions.lastActivity)
        frameOptions.lastActivity = [this] { return m_activity.LastActivityTick(); };
    // The logged-on view reports the same input time with its keep-alives.
    CurrentViewTiming().activityTick = [last = frameOptions.lastActivity] {
        return static_cast<std::uint32_t>(last());
    };
    m_frame = std::make_unique<CMainFrame>(m_connection, frameOptions);
    // Queued: the request comes from inside the frame, which Exit destroys.
    connect(m_frame.get(), &CMainFrame::exitRequested, this, &CZepimApp::Exit,
            Qt::QueuedConnection);
    m_optionsHost = std::make_unique<AppOptionsHost>(*m_frame);
    connect(m_frame.get(), &CMainFrame::optionsRequested, this, [this] {
        // One sheet at a time; it deletes itself when it closes.
        if (m_options) {
            m_options->raise();
            m_options->activateWindow();
            return;
        }
        auto* sheet = new CZEPOptionsDialog(*m_optionsHost, m_frame.get());
        m_options = sheet;
        if (!sheet->Open())
            sheet->deleteLater();
    });
    RestoreMainPlacement(settings, *m_frame);
    m_frame->StartFirstView(credentials && savePassword && autoLogon);
    if (openMain)
        m_frame->show();
    else if (!m_frame->TrayAvailable())
        m_frame->showMinimized(); // no notification area: the user must still find the window

    if (m_hooks.startRpc)
        m_hooks.startRpc();
    connect(&m_app, &QCoreApplication::aboutToQuit, this, &CZepimApp::Exit);
    return kRun;
}

bool CZepimApp::LoadActivityMonitor()
{
    std::string error;
    if (!m_activity.Load(PrivateLibraryDirectory(kActivityLibraryName), error)) {
        Fail(QString::fromStdString(error));
        return false;
    }
    if (!m_activity.Start()) {
        Fail(QStringLiteral("the activity monitor (%1) did not start").arg(kActivityLibraryName));
        return false;
    }
    m_inputFilter = std::make_unique<ActivityInputFilter>(m_activity);
    m_app.installEventFilter(m_inputFilter.get());
    return true;
}

void CZepimApp::Fail(const QString& message)
{
    const QString text = tr("ZEP Instant Messenger cannot start: %1.").arg(message);
    std::fprintf(stderr, "zepim: %s\n", text.toLocal8Bit().constData());
    if (QGuiApplication::platformName() != QLatin1String("offscreen") &&
        QGuiApplication::platformName() != QLatin1String("minimal"))
        QMessageBox::critical(nullptr, text::AppTitle(), text);
}

void CZepimApp::FirstRun()
{
    Settings settings;
    settings.WriteText(setting::Version, QString::fromLatin1(defaults::VersionText));
    if (SetRunValue(true, QCoreApplication::applicationFilePath())) {
        settings.WriteInt(setting::OpenMainWnd, 1);
        settings.WriteInt(setting::AutoLogon, 1);
    }
    // The single-instance listener is already up, so a second start raises the wizard.
    CWizSetup wizard;
    m_wizard = &wizard;
    wizard.exec();
    m_wizard = nullptr;
}

void CZepimApp::ShowForSecondCopy()
{
    if (m_wizard) {
        m_wizard->show();
        m_wizard->raise();
        m_wizard->activateWindow();
    } else if (m_frame) {
        m_frame->ShowFromOutside();
    }
}

void CZepimApp::WatchTerminationSignals()
{
    if (g_signalPipe[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    m_signalNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(m_signalNotifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const auto n = read(g_signalPipe[0], &byte, 1);
        Exit();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void CZepimApp::Exit()
{
    if (m_exited || m_leaving)
        return;
    if (m_frame && !m_wizard) {
        m_leaving = true;
        m_frame->LeaveOpenSessions([this] { ExitNow(); });
        return;
    }
    ExitNow();
}

void CZepimApp::ExitNow()
{
    if (m_exited)
        return;
    m_exited = true;
    // Ending during the first-run wizard: close it without its question; Start sees m_exited.
    if (m_wizard)
        static_cast<QDialog*>(m_wizard.data())->done(QDialog::Rejected);
    // The RPC service first, so no request reaches a frame that is going away; then the frame
    // (its worker, its placement, its view and the view's threads); then the connection, while
    // the TLS code is still there; the libraries last.
    if (m_hooks.stopRpc)
        m_hooks.stopRpc();
    delete m_options.data();
    if (m_frame) {
        m_frame->Shutdown();
        m_frame.reset();
    }
    m_connection.Disconnect();
    if (m_inputFilter)
        m_app.removeEventFilter(m_inputFilter.get());
    m_activity.Release();
    m_instance.reset();
    // exit(), not quit(): quit() asks the windows first, and a window that hides on close
    // would veto it.
    QCoreApplication::exit(0);
}

} // namespace zep
