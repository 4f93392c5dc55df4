// The logon lifecycle: logged off, logging on, logged on. It owns the logon and reconnect
// workers, the logon to make, the generation that tells a worker's current result from a late
// one, the automatic and the silent reconnect, and the server certificates the user has to
// decide about. It shows nothing itself: its signals tell the window what to show or ask, and the
// window answers through the methods below. Everything runs on the thread the lifecycle lives on.
#pragma once

#include "session/client_connection.h"
#include "session/logon_threads.h"
#include "session/messages.h"
#include "session/reconnect_schedule.h"
#include "session/worker_slot.h"
#include "transport/tls.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace zep {

// The view the window shows: logged off ("Click here to logon"), logging on, logged on.
enum class ViewKind
{
    Logon,
    Signon,
    Main
};

// Why the view shown so far ends, for the conversations of a logged-on view.
enum class ViewEnd
{
    None,
    ConnectionLost,
    LoggedOff, // by the user
    SignedOff, // by the server: the user signed on from a different location
};

// What the user is told in a box.
struct LogonNotice
{
    enum class Kind
    {
        LogonFailed,
        ConnectFailed,
        Refusal, // a connect or logon refused here for the user's safety
        IncompatibleVersion,
        SignedOff,
        CertificateNotTrusted,
        CertificateNotPinned,
    };
    Kind kind = Kind::ConnectFailed;
    ImResult refusal = ImResult::Ok; // Refusal: why
    // Refusal and CertificateNotPinned: the trust file; CertificateNotTrusted: "host:port".
    QString detail;
};

// A certificate the user has to decide about, from the logon or the reconnect worker.
struct TrustQuestion
{
    bool changed = false;
    bool fromReconnect = false;
    TlsPeerTrust trust;
};

// "host:port" of the server a certificate came from, as the user is shown it.
QString ServerName(const TlsPeerTrust& trust);

struct LogonOptions
{
    // The back-off of background retries after a failure or a lost connection.
    ReconnectPolicy reconnect;
    // How long the logon waits for the desktop keyring before it asks for the password.
    std::chrono::milliseconds keyringLimit{std::chrono::seconds(5)};
    // Whether the user can see the window now: a background logon's certificate question
    // waits until then.
    std::function<bool()> windowShown = [] { return true; };
};

class LogonLifecycle : public QObject, public MessageReceiver
{
    Q_OBJECT
public:
    LogonLifecycle(ClientConnection& connection, LogonOptions options, QObject* parent = nullptr);
    ~LogonLifecycle() override;

    // The first view at start-up: logging on with the saved credentials, or logged off.
    void Start(bool automaticLogon);
    // Starts a new generation: the worker stops (results it may still post count no more), the
    // window shows `kind` (the view so far ends for `why`), and a logging-on view starts the
    // logon.
    void SwitchView(ViewKind kind, ViewEnd why = ViewEnd::None);

    // "UWM_LOGON" (wParam 1 and the generation from the reconnect worker), the workers' results,
    // "UWM_CONNECTION_LOST" and "UWM_LOGOFF" of the logged-on view, "UWM_RECONNECT_WAIT" and the
    // certificate questions. Others are ignored.
    std::intptr_t OnRegisteredMessage(MessageId id, std::intptr_t wParam,
                                      std::intptr_t lParam) override;

    // The answer to passwordRequested: the logon dialog was confirmed.
    void LogonEntered(const QString& email, const QString& password, bool savePassword);
    // The answer to trustQuestion, and the end of its box (a new question may come then).
    void OnTrustAnswer(const TrustQuestion& question, bool trusted);
    void TrustQuestionClosed();
    // The window has been shown or restored: a waiting question is asked once it is up.
    void AskWaitingTrustSoon();
    // The answer to leaveRequested: the open conversations have been left (or given up on).
    void OpenSessionsLeft();
    // The network is reachable again or the machine has resumed: a pending retry runs now.
    void OnNetworkBack(const QString& why);
    // Stops the worker; nothing that arrives afterwards changes anything.
    void Shutdown();

    ViewKind View() const { return m_view; }
    std::uint64_t Generation() const { return m_generation; }
    const PendingLogon& Pending() const { return m_pending; }
    bool AutoReconnect() const { return m_autoReconnect; }
    bool SilentLogon() const { return m_silentLogon; }
    bool WorkerRunning() const { return m_worker.Running(); }
    // A certificate question waiting for the window to be shown.
    bool TrustQuestionWaiting() const { return m_trustWaiting.has_value(); }

signals:
    // Show the view for `kind` now; the one shown so far ends for `why`. Generation() is the
    // new view's.
    void viewRequested(zep::ViewKind kind, zep::ViewEnd why);
    // The switch is complete.
    void viewChanged(zep::ViewKind kind);
    // Ask for the address and password (LogonEntered answers).
    void passwordRequested();
    void noticeRequested(const zep::LogonNotice& notice);
    // Ask the user (OnTrustAnswer answers, TrustQuestionClosed follows). Only one is open.
    void trustQuestion(const zep::TrustQuestion& question);
    // The user's log-off: leave the open conversations first (OpenSessionsLeft answers).
    void leaveRequested();
    // The next background try is due in `ms` milliseconds (-1: a try runs now).
    void reconnectDue(qint64 ms);

private:
    void OnLogon(std::intptr_t wParam, std::intptr_t lParam);
    void OnStartLogon(std::intptr_t lParam);
    void OnLogonComplete(std::intptr_t lParam);
    void OnFailure(MessageId id, std::intptr_t wParam, std::intptr_t lParam);
    void OnConnectionLost(std::intptr_t lParam);
    void OnLogoff(std::intptr_t lParam);
    void FinishLogoff(std::intptr_t lParam);
    void OnReconnectWait(std::intptr_t wParam, std::intptr_t lParam);
    void OnCertificate(MessageId id, std::intptr_t wParam, std::intptr_t lParam);
    void AskTrust();
    void FillPendingFromSettings();
    void StartLogonWorker();
    void KeepPassword();
    void StartReconnectThread();
    void StopWorker();
    PostResult PosterFor(std::uint64_t generation);

    ClientConnection& m_connection;
    LogonOptions m_options;
    WorkerSlot m_worker;
    // Used by the reconnect worker while it runs, by the lifecycle only while none does.
    ReconnectSchedule m_schedule;
    ViewKind m_view = ViewKind::Logon;
    // Changes with every view switch; a worker's result counts only for its own generation.
    std::uint64_t m_generation = 0;
    PendingLogon m_pending;
    std::optional<TrustQuestion> m_trustWaiting;
    bool m_trustOpen = false; // a question is up
    bool m_autoReconnect = false;
    bool m_silentLogon = false;
    bool m_shutDown = false;
    bool m_leavingOff = false; // the user's log-off waits for its LEAVEs
    std::uint64_t m_leaveGeneration = 0;
};

} // namespace zep
