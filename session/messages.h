// The registered messages between threads and windows: "UWM_" names with a fixed suffix, each
// mapped to a number once per process. Posting is a queued call on the target's thread; sending
// posts and waits for the handler's result, giving up when the sender is told to stop.
#pragma once

#include "session/queued_call.h"

#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace zep {

inline constexpr std::string_view kMessageSuffix = "-{6b8c4821-e6a4-11D1-8370-00aa005c0507}";

using MessageId = unsigned;

// Registers "name" + suffix (a full name with the suffix is taken as is); the same name always
// gives the same number. Thread-safe.
MessageId RegisterMessage(std::string_view name);
// The full registered name of a number, or "" for an unknown one.
std::string MessageName(MessageId id);

// The messages of the frame and the view, registered on first use.
namespace uwm {
MessageId Logon();
MessageId StartLogon();
MessageId LogonComplete();
MessageId LogonFailed();
MessageId ConnectFailed();
MessageId VersionCheckFailed();
MessageId ConnectionLost();
MessageId Logoff();
MessageId AsyncCommand();
MessageId KaCommand();
// Ours: the reconnect worker tells the frame when its next try is due (wParam: milliseconds
// from now, or -1 while a try is under way).
MessageId ReconnectWait();
// The logon (wParam 0) or reconnect (wParam 1) worker met a server certificate that is not
// trusted and not pinned, or not the pinned one; the connection's PeerTrust() describes it.
MessageId CertificateUnknown();
MessageId CertificateChanged();
// Registers every message above at once (start-up does this before any thread runs).
void RegisterAll();
} // namespace uwm

// A window that handles registered messages on its own thread.
class MessageReceiver
{
public:
    virtual ~MessageReceiver() = default;
    virtual std::intptr_t OnRegisteredMessage(MessageId id, std::intptr_t wParam,
                                              std::intptr_t lParam) = 0;
};

// Queues the message to `target` (which must be both a QObject and a MessageReceiver). Dropped
// when the target is destroyed before it runs.
template <typename T>
void PostRegisteredMessage(T* target, MessageId id, std::intptr_t wParam, std::intptr_t lParam)
{
    QueueCall(target,
              [target, id, wParam, lParam] { target->OnRegisteredMessage(id, wParam, lParam); });
}

namespace detail {
struct SentMessage;
// Travels with the queued call: when the call is destroyed without having run (its target was
// destroyed first, or the application ended), the last copy marks the message abandoned and
// wakes the sender.
class SentGuard
{
public:
    explicit SentGuard(std::shared_ptr<SentMessage> sent);
    ~SentGuard();
    SentGuard(const SentGuard&) = delete;
    SentGuard& operator=(const SentGuard&) = delete;
    void Complete(std::intptr_t result);

private:
    std::shared_ptr<SentMessage> m_sent;
};
std::shared_ptr<SentMessage> NewSentMessage();
std::optional<std::intptr_t> AwaitSentMessage(SentMessage& sent, std::stop_token stop);
} // namespace detail

// Posts and waits for the handler's result. Never call it on the target's own thread. Gives up
// (nothing) when `stop` is requested or the target goes away first, so a thread being stopped
// never waits on a window that is waiting for it. Nothing polls: both wake the sender.
template <typename T>
std::optional<std::intptr_t> SendRegisteredMessage(T* target, MessageId id, std::intptr_t wParam,
                                                   std::intptr_t lParam, std::stop_token stop = {})
{
    auto sent = detail::NewSentMessage();
    auto guard = std::make_shared<detail::SentGuard>(sent);
    const bool queued = QueueCall(target, [target, id, wParam, lParam, guard] {
        guard->Complete(target->OnRegisteredMessage(id, wParam, lParam));
    });
    guard.reset();
    if (!queued)
        return std::nullopt;
    return detail::AwaitSentMessage(*sent, std::move(stop));
}

} // namespace zep
