// The registered messages between threads and windows: "UWM_" names with a fixed suffix, each
// mapped to a number once per process. Posting is a queued call on the target's thread; sending
// posts and waits for the handler's result, giving up when the sender is told to stop.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
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
    QMetaObject::invokeMethod(
        target, [target, id, wParam, lParam] { target->OnRegisteredMessage(id, wParam, lParam); },
        Qt::QueuedConnection);
}

namespace detail {
struct SentMessage;
std::shared_ptr<SentMessage> NewSentMessage();
void CompleteSentMessage(SentMessage& sent, std::intptr_t result);
std::optional<std::intptr_t> AwaitSentMessage(SentMessage& sent, const std::atomic<bool>* stop);
} // namespace detail

// Posts and waits for the handler's result. Never call it on the target's own thread. Gives up
// (nothing) when `stop` is set or the target goes away first, so a thread being stopped never
// waits on a window that is waiting for it.
template <typename T>
std::optional<std::intptr_t> SendRegisteredMessage(T* target, MessageId id, std::intptr_t wParam,
                                                   std::intptr_t lParam,
                                                   const std::atomic<bool>* stop)
{
    auto sent = detail::NewSentMessage();
    const bool queued = QMetaObject::invokeMethod(
        target,
        [target, id, wParam, lParam, sent] {
            detail::CompleteSentMessage(*sent, target->OnRegisteredMessage(id, wParam, lParam));
        },
        Qt::QueuedConnection);
    if (!queued)
        return std::nullopt;
    return detail::AwaitSentMessage(*sent, stop);
}

} // namespace zep
