#include "messages.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace zep {
namespace {

struct Registry
{
    std::mutex lock;
    std::map<std::string, MessageId, std::less<>> byName;
    std::map<MessageId, std::string> byId;
    // Registered numbers start where the system's own would.
    MessageId next = 0xC000;
};

Registry& TheRegistry()
{
    static Registry r;
    return r;
}

std::string FullName(std::string_view name)
{
    std::string full(name);
    if (!full.ends_with(kMessageSuffix))
        full += kMessageSuffix;
    return full;
}

} // namespace

MessageId RegisterMessage(std::string_view name)
{
    const std::string full = FullName(name);
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    if (auto it = r.byName.find(full); it != r.byName.end())
        return it->second;
    const MessageId id = r.next++;
    r.byName.emplace(full, id);
    r.byId.emplace(id, full);
    return id;
}

std::string MessageName(MessageId id)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    const auto it = r.byId.find(id);
    return it == r.byId.end() ? std::string() : it->second;
}

namespace uwm {
#define ZEP_UWM(fn, name)                                                                          \
    MessageId fn()                                                                                 \
    {                                                                                              \
        static const MessageId id = RegisterMessage(name);                                         \
        return id;                                                                                 \
    }
ZEP_UWM(Logon, "UWM_LOGON")
ZEP_UWM(StartLogon, "UWM_START_LOGON")
ZEP_UWM(LogonComplete, "UWM_LOGON_COMPLETE")
ZEP_UWM(LogonFailed, "UWM_LOGON_FAILED")
ZEP_UWM(ConnectFailed, "UWM_CONNECT_FAILED")
ZEP_UWM(VersionCheckFailed, "UWM_VERSION_CHECK_FAILED")
ZEP_UWM(ConnectionLost, "UWM_CONNECTION_LOST")
ZEP_UWM(Logoff, "UWM_LOGOFF")
ZEP_UWM(AsyncCommand, "UWM_ASYNC_COMMAND")
ZEP_UWM(KaCommand, "UWM_KA_COMMAND")
#undef ZEP_UWM

void RegisterAll()
{
    for (auto fn : {Logon, StartLogon, LogonComplete, LogonFailed, ConnectFailed,
                    VersionCheckFailed, ConnectionLost, Logoff, AsyncCommand, KaCommand})
        fn();
}
} // namespace uwm

namespace detail {

struct SentMessage
{
    std::mutex lock;
    std::condition_variable done;
    std::optional<std::intptr_t> result;
};

std::shared_ptr<SentMessage> NewSentMessage()
{
    return std::make_shared<SentMessage>();
}

void CompleteSentMessage(SentMessage& sent, std::intptr_t result)
{
    std::lock_guard guard(sent.lock);
    sent.result = result;
    sent.done.notify_all();
}

std::optional<std::intptr_t> AwaitSentMessage(SentMessage& sent, const std::atomic<bool>* stop)
{
    std::unique_lock guard(sent.lock);
    // The stop flag has no way to wake us, so it is looked at every 20 ms.
    while (!sent.result) {
        if (stop && stop->load())
            return std::nullopt;
        sent.done.wait_for(guard, std::chrono::milliseconds(20));
    }
    return sent.result;
}

} // namespace detail
} // namespace zep
