#include "session/logon_lifecycle.h"

#include "session/password_scramble.h"
#include "session/saved_password.h"
#include "session/settings.h"
#include "transport/log_writer.h"
#include "transport/tls_pins.h"

#include <QMetaObject>
#include <utility>

namespace zep {

QString ServerName(const TlsPeerTrust& trust)
{
    return QString::fromStdString(trust.host) + QLatin1Char(':') + QString::number(trust.port);
}

LogonLifecycle::LogonLifecycle(ClientConnection& connection, LogonOptions options, QObject* parent)
    : QObject(parent), m_connection(connection), m_options(std::move(options)),
      m_schedule(m_options.reconnect)
{
}

LogonLifecycle::~LogonLifecycle()
{
    Shutdown();
}

void LogonLifecycle::Start(bool automaticLogon)
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

void LogonLifecycle::SwitchView(ViewKind kind, ViewEnd why)
{
    ++m_generation;
    // The logon worker has posted its one result and is ending: join it without shutting down
    // the socket the logged-on view is about to use.
    if (kind == ViewKind::Main)
        m_worker.StopWait();
    else
        StopWorker();
    m_view = kind;
    emit viewRequested(kind, why);
    if (kind == ViewKind::Signon)
        PostRegisteredMessage(this, uwm::StartLogon(), 0, static_cast<std::intptr_t>(m_generation));
    emit viewChanged(kind);
}

std::intptr_t LogonLifecycle::OnRegisteredMessage(MessageId id, std::intptr_t wParam,
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

void LogonLifecycle::OnLogon(std::intptr_t wParam, std::intptr_t lParam)
{
    if (m_view != ViewKind::Logon)
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
        emit passwordRequested();
}

void LogonLifecycle::FillPendingFromSettings()
{
    Settings settings;
    m_pending.email = settings.ReadText(setting::Email);
    m_pending.savePassword = settings.ReadInt(setting::SavePassword, 0) != 0;
    m_pending.savedPassword =
        m_pending.savePassword ? settings.ReadText(setting::Password).toStdString() : std::string();
    m_pending.inKeyring = m_pending.savePassword && saved_password::InKeyring(settings);
    m_pending.fromKeyring = false;
}

void LogonLifecycle::LogonEntered(const QString& email, const QString& password, bool savePassword)
{
    m_silentLogon = false;
    m_pending.savePassword = savePassword;
    m_pending.email = email;
    const QByteArray typed = password.toUtf8();
    m_pending.savedPassword = PasswordScramble(std::string_view(typed.data(), typed.size()));
    m_pending.inKeyring = false;
    m_pending.fromKeyring = false;
    if (!m_pending.email.isEmpty())
        Settings().WriteText(setting::Email, m_pending.email);
    if (!m_pending.email.isEmpty() && !typed.isEmpty() && m_view == ViewKind::Logon)
        SwitchView(ViewKind::Signon);
}

void LogonLifecycle::OnStartLogon(std::intptr_t lParam)
{
    if (m_view != ViewKind::Signon || static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    StopWorker();
    if (!m_pending.inKeyring || !PasswordUnscramble(m_pending.savedPassword).empty())
        return StartLogonWorker();
    // The keyring answers on the event loop; the logging-on view shows meanwhile. One that does
    // not answer in time, or has nothing, leaves the scrambled value or the question.
    const std::uint64_t generation = m_generation;
    saved_password::Read(m_options.keyringLimit, this, [this, generation](std::string plain) {
        if (m_view != ViewKind::Signon || generation != m_generation)
            return;
        m_pending.inKeyring = false;
        if (plain.empty()) {
            SwitchView(ViewKind::Logon);
            emit passwordRequested();
            return;
        }
        m_pending.savedPassword = PasswordScramble(plain);
        m_pending.fromKeyring = true;
        StartLogonWorker();
    });
}

void LogonLifecycle::StartLogonWorker()
{
    m_connection.ResetCancel();
    const PendingLogon pending = m_pending;
    m_worker.Start([this, pending, post = PosterFor(m_generation)](WorkerControl& control) {
        RunLogonThread(control, m_connection, pending, post);
    });
}

void LogonLifecycle::KeepPassword()
{
    // Unticked: nothing is left behind in either place. Ticked: a password typed in, or one
    // still kept scrambled, goes to the keyring where there is one.
    if (!m_pending.savePassword)
        return saved_password::Forget();
    if (m_pending.fromKeyring)
        return;
    saved_password::Keep(PasswordUnscramble(m_pending.savedPassword), m_options.keyringLimit);
}

void LogonLifecycle::OnLogonComplete(std::intptr_t lParam)
{
    if (m_view != ViewKind::Signon || static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    SwitchView(ViewKind::Main);
    // The logon worker has been joined: the schedule is ours again. Its back-off starts again
    // only once this connection has stayed up for a while (see OnConnectionLost).
    m_schedule.LoggedOn(ReconnectSchedule::Clock::now());
    KeepPassword();
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "Logged on as %s.",
               m_connection.Own().email.toUtf8().constData());
}

void LogonLifecycle::OnFailure(MessageId id, std::intptr_t wParam, std::intptr_t lParam)
{
    // Failures of the logon thread belong to the logging-on view, those of the reconnect thread
    // to the logged-off view; anything else is a late result of an attempt already given up.
    const ViewKind expected = wParam != 0 ? ViewKind::Logon : ViewKind::Signon;
    if (m_view != expected || static_cast<std::uint64_t>(lParam) != m_generation)
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
            emit noticeRequested({LogonNotice::Kind::LogonFailed, ImResult::Ok, {}});
    } else if (id == uwm::ConnectFailed()) {
        if (refusal != ImResult::Ok)
            emit noticeRequested({LogonNotice::Kind::Refusal, refusal,
                                  QString::fromStdString(m_connection.PeerTrust().trustFile)});
        else if (!m_silentLogon)
            emit noticeRequested({LogonNotice::Kind::ConnectFailed, ImResult::Ok, {}});
    } else if (wParam == 0) {
        emit noticeRequested({LogonNotice::Kind::IncompatibleVersion, ImResult::Ok, {}});
    }
}

void LogonLifecycle::OnConnectionLost(std::intptr_t lParam)
{
    // The logged-on view's reader passes its generation; a loss reported by a view that is
    // already gone changes nothing.
    if (m_view != ViewKind::Main ||
        (lParam != 0 && static_cast<std::uint64_t>(lParam) != m_generation))
        return;
    SwitchView(ViewKind::Logon, ViewEnd::ConnectionLost);
    m_connection.Disconnect();
    m_schedule.Lost(ReconnectSchedule::Clock::now());
    if (m_autoReconnect)
        StartReconnectThread();
}

void LogonLifecycle::OnLogoff(std::intptr_t lParam)
{
    m_autoReconnect = false;
    if (lParam == 0) {
        // The user's own log-off: the others see them leave each conversation first. A lost
        // connection or a sign-off by the server meanwhile takes over (a new generation).
        if (std::exchange(m_leavingOff, true))
            return;
        m_leaveGeneration = m_generation;
        emit leaveRequested();
        return;
    }
    FinishLogoff(lParam);
}

void LogonLifecycle::OpenSessionsLeft()
{
    m_leavingOff = false;
    if (!m_shutDown && m_leaveGeneration == m_generation)
        FinishLogoff(0);
}

void LogonLifecycle::FinishLogoff(std::intptr_t lParam)
{
    SwitchView(ViewKind::Logon, lParam != 0 ? ViewEnd::SignedOff : ViewEnd::LoggedOff);
    m_connection.Disconnect();
    if (lParam != 0)
        emit noticeRequested({LogonNotice::Kind::SignedOff, ImResult::Ok, {}});
}

void LogonLifecycle::StartReconnectThread()
{
    StopWorker();
    m_connection.ResetCancel();
    m_worker.Start([this, post = PosterFor(m_generation)](WorkerControl& control) {
        RunReconnectThread(control, m_connection, m_schedule, post);
    });
}

void LogonLifecycle::OnReconnectWait(std::intptr_t wParam, std::intptr_t lParam)
{
    if (m_view != ViewKind::Logon || static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    if (wParam >= 0)
        LogWriteIf(ZepimLog(), kLogProgress, 99999, "Next try to reconnect in %ld ms.",
                   static_cast<long>(wParam));
    emit reconnectDue(static_cast<qint64>(wParam));
}

void LogonLifecycle::OnNetworkBack(const QString& why)
{
    // Only a retry that is waiting is hurried; a logon under way or a logged-on view carry on.
    if (m_view != ViewKind::Logon || !m_worker.Running())
        return;
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "Trying to reconnect at once: %s.",
               why.toUtf8().constData());
    m_worker.Nudge();
}

void LogonLifecycle::OnCertificate(MessageId id, std::intptr_t wParam, std::intptr_t lParam)
{
    const ViewKind expected = wParam != 0 ? ViewKind::Logon : ViewKind::Signon;
    if (m_view != expected || static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    TrustQuestion question{id == uwm::CertificateChanged(), wParam != 0, m_connection.PeerTrust()};
    if (m_view != ViewKind::Logon)
        SwitchView(ViewKind::Logon);
    m_connection.Disconnect();
    // No retry meanwhile: every attempt would meet the same certificate. One question at a
    // time; the one already up stands for this server.
    if (m_trustOpen)
        return;
    m_trustWaiting = std::move(question);
    // A background logon asks once the user can see the window it belongs to.
    if (m_options.windowShown())
        AskTrust();
}

void LogonLifecycle::AskWaitingTrustSoon()
{
    if (!m_trustWaiting || m_trustOpen)
        return;
    // After the window is up, so the window-modal box has a window to sit on.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_trustWaiting && !m_trustOpen && !m_shutDown && m_options.windowShown())
                AskTrust();
        },
        Qt::QueuedConnection);
}

void LogonLifecycle::AskTrust()
{
    TrustQuestion question = std::move(*m_trustWaiting);
    m_trustWaiting.reset();
    m_trustOpen = true;
    emit trustQuestion(question);
}

void LogonLifecycle::TrustQuestionClosed()
{
    m_trustOpen = false;
}

void LogonLifecycle::OnTrustAnswer(const TrustQuestion& question, bool trusted)
{
    if (m_shutDown)
        return;
    const QString server = ServerName(question.trust);
    if (question.changed || !trusted) {
        // Trying again would only meet the same certificate.
        m_autoReconnect = false;
        if (!question.changed)
            emit noticeRequested({LogonNotice::Kind::CertificateNotTrusted, ImResult::Ok, server});
        return;
    }
    const std::string file = DefaultTrustFile();
    const ImResult pinned = PinCertificate(file, question.trust.host, question.trust.port,
                                           question.trust.certificate.sha256);
    if (pinned != ImResult::Ok) {
        m_autoReconnect = false;
        emit noticeRequested(
            {LogonNotice::Kind::CertificateNotPinned, ImResult::Ok, QString::fromStdString(file)});
        return;
    }
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "Trusted the certificate %s of %s:%u.",
               question.trust.certificate.sha256.c_str(), question.trust.host.c_str(),
               question.trust.port);
    if (m_view != ViewKind::Logon)
        return;
    if (question.fromReconnect) {
        // As the reconnect itself would have: the saved logon, or the dialog.
        PostRegisteredMessage(this, uwm::Logon(), 0, 0);
        return;
    }
    m_autoReconnect = true;
    SwitchView(ViewKind::Signon);
}

PostResult LogonLifecycle::PosterFor(std::uint64_t generation)
{
    return [this, generation](unsigned message, std::intptr_t wParam) {
        PostRegisteredMessage(this, message, wParam, static_cast<std::intptr_t>(generation));
    };
}

void LogonLifecycle::StopWorker()
{
    m_worker.StopWait([this] { m_connection.Wake(); });
}

void LogonLifecycle::Shutdown()
{
    m_shutDown = true;
    StopWorker();
}

} // namespace zep
