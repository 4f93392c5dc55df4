// The logon lifecycle's two workers: the logon (connect, version, logon, server variables) and
// the background reconnect. Each posts exactly one result to the lifecycle, tagged with the
// generation of the logon it belongs to, and posts nothing once it has been told to stop.
#pragma once

#include "session/client_connection.h"
#include "session/messages.h"
#include "session/reconnect_schedule.h"
#include "session/worker_slot.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zep {

// The logon to make: address, password in saved form, and whether to keep the password.
struct PendingLogon
{
    QString email;
    std::string savedPassword;
    bool savePassword = false;
    // The saved password is in the desktop keyring: it is read just before the logon starts.
    bool inKeyring = false;
    // The password came out of the keyring: nothing to store again after the logon.
    bool fromKeyring = false;
};

// The server's protocol version this client speaks.
inline constexpr std::string_view kProtocolVersion = "4.0";

// Results go through `post(message, wParam)`; the caller binds the receiver and the generation.
using PostResult = std::function<void(unsigned message, std::intptr_t wParam)>;

// Writes "savepassword" (0 after a refusal, which also drops the scrambled value); keeping the
// password itself is the lifecycle's, after "UWM_LOGON_COMPLETE".
void RunLogonThread(WorkerControl& control, ClientConnection& connection,
                    const PendingLogon& pending, const PostResult& post);

// Tries again and again on `schedule` until the server answers with our version, the server
// setting is emptied or the worker is stopped; a nudge tries at once. Before each wait it posts
// "UWM_RECONNECT_WAIT" with the delay, and -1 as each try starts. The lifecycle owns `schedule`
// and touches it only while no worker runs.
void RunReconnectThread(WorkerControl& control, ClientConnection& connection,
                        ReconnectSchedule& schedule, const PostResult& post);

// Results that mean the connection itself failed (as opposed to the server answering "no").
bool IsTransportFailure(int result);

// The lifecycle's question for a connect result that refused the server's certificate.
std::optional<MessageId> CertificateMessage(int result);

} // namespace zep
