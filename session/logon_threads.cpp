#include "session/logon_threads.h"

#include "common/im_result.h"
#include "session/messages.h"
#include "session/password_scramble.h"
#include "session/settings.h"

#include <new>

namespace zep {

bool IsTransportFailure(int result)
{
    switch (static_cast<ImResult>(result)) {
    case ImResult::ConnectionClosed:
    case ImResult::TimedOut:
    case ImResult::TransferFailed:
    case ImResult::SelectFailed:
    case ImResult::HostNotFound:
    case ImResult::TlsSessionFailed:
    case ImResult::TlsHandshakeFailed:
    case ImResult::TlsNoPeerCertificate:
        return true;
    default:
        return false;
    }
}

std::optional<MessageId> CertificateMessage(int result)
{
    switch (static_cast<ImResult>(result)) {
    case ImResult::CertificateUnknown:
        return uwm::CertificateUnknown();
    case ImResult::CertificateChanged:
        return uwm::CertificateChanged();
    default:
        return std::nullopt;
    }
}

namespace {

// Memory running out over what a server sent ends that connection as a failed connect, never
// the process.
template <typename Steps>
void EndOnAllocationFailure(WorkerControl& control, ClientConnection& connection,
                            const PostResult& post, Steps steps)
{
    try {
        steps();
    } catch (const std::bad_alloc&) {
        connection.Disconnect();
        if (!control.StopRequested())
            post(uwm::ConnectFailed(), 0);
    }
}

void LogonSteps(WorkerControl& control, ClientConnection& connection, const PendingLogon& pending,
                const PostResult& post)
{
    // A stopped worker's result belongs to nobody: the frame has moved on.
    const auto finish = [&](MessageId message) {
        if (!control.StopRequested())
            post(message, 0);
    };
    Settings settings;
    const ConnectSettings target = ConnectSettings::FromSettings(settings);
    if (target.server.empty())
        return finish(uwm::ConnectFailed());
    if (const int connected = connection.Connect(target, &control.StopFlag()); connected != 0) {
        if (const auto question = CertificateMessage(connected))
            return finish(*question);
        return finish(uwm::ConnectFailed());
    }
    if (control.StopRequested())
        return;

    std::string version;
    const int versionResult = connection.QueryVersion(version);
    if (versionResult != 0 && IsTransportFailure(versionResult))
        return finish(uwm::ConnectFailed());
    if (versionResult != 0 || version != kProtocolVersion)
        return finish(uwm::VersionCheckFailed());
    if (control.StopRequested())
        return;

    const std::string plain = PasswordUnscramble(pending.savedPassword);
    switch (connection.Logon(pending.email.toStdString(), plain)) {
    case LogonAnswer::TransportFailed:
    case LogonAnswer::LessSecure: // the saved password stays: the server did not refuse it
        return finish(uwm::ConnectFailed());
    case LogonAnswer::Refused:
        // A wrong saved password is not tried again at the next start.
        settings.WriteInt(setting::SavePassword, 0);
        settings.Remove(setting::Password);
        return finish(uwm::LogonFailed());
    case LogonAnswer::Accepted:
        break;
    }
    // The preferences are a mirror; failing to fetch them does not fail the logon.
    connection.FetchServerVariables(settings);
    settings.WriteInt(setting::SavePassword, pending.savePassword ? 1 : 0);
    finish(uwm::LogonComplete());
}

void ReconnectSteps(WorkerControl& control, ClientConnection& connection,
                    ReconnectSchedule& schedule, const PostResult& post)
{
    Settings settings;
    while (!ConnectSettings::FromSettings(settings).server.empty()) {
        if (control.StopRequested())
            return;
        const auto delay = schedule.Next();
        post(uwm::ReconnectWait(), static_cast<std::intptr_t>(delay.count()));
        const WorkerControl::Wake wake = control.WaitForStopOrNudge(delay);
        if (wake == WorkerControl::Wake::Stopped)
            return;
        // The network has just come back: if this try fails, the next comes soon again.
        if (wake == WorkerControl::Wake::Nudged)
            schedule.Reset();
        post(uwm::ReconnectWait(), -1);
        // Settings may have changed while we waited (the options dialog), so read them again.
        const ConnectSettings target = ConnectSettings::FromSettings(settings);
        if (target.server.empty())
            continue;
        if (const int connected = connection.Connect(target, &control.StopFlag()); connected != 0) {
            // Trying again cannot change a certificate: the user decides, then we log on.
            const auto question = CertificateMessage(connected);
            if (question && !control.StopRequested()) {
                post(*question, 1);
                return;
            }
            // Unreadable pins stay unreadable: the user has to see why, not a retry.
            if (connected == ImResultNumber(ImResult::TrustFileUnusable)) {
                if (!control.StopRequested())
                    post(uwm::ConnectFailed(), 1);
                return;
            }
            continue;
        }
        std::string version;
        const int result = connection.QueryVersion(version);
        if (result != 0 && IsTransportFailure(result)) {
            connection.Disconnect();
            continue;
        }
        if (control.StopRequested())
            return;
        post(result == 0 && version == kProtocolVersion ? uwm::Logon() : uwm::VersionCheckFailed(),
             1);
        return;
    }
}

} // namespace

void RunLogonThread(WorkerControl& control, ClientConnection& connection,
                    const PendingLogon& pending, const PostResult& post)
{
    EndOnAllocationFailure(control, connection, post,
                           [&] { LogonSteps(control, connection, pending, post); });
}

void RunReconnectThread(WorkerControl& control, ClientConnection& connection,
                        ReconnectSchedule& schedule, const PostResult& post)
{
    EndOnAllocationFailure(control, connection, post,
                           [&] { ReconnectSteps(control, connection, schedule, post); });
}

} // namespace zep
