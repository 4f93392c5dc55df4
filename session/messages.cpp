#include "session/messages.h"

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
ZEP_UWM(ReconnectWait, "UWM_RECONNECT_WAIT")
ZEP_UWM(CertificateUnknown, "UWM_CERTIFICATE_UNKNOWN")
ZEP_UWM(CertificateChanged, "UWM_CERTIFICATE_CHANGED")
#undef ZEP_UWM

void RegisterAll()
{
    for (auto fn : {Logon, StartLogon, LogonComplete, LogonFailed, ConnectFailed,
                    VersionCheckFailed, ConnectionLost, Logoff, AsyncCommand, KaCommand,
                    ReconnectWait, CertificateUnknown, CertificateChanged})
        fn();
}
} // namespace uwm

namespace detail {

struct SentMessage
{
    std::mutex lock;
    std::condition_variable_any done;
    std::optional<std::intptr_t> result;
    bool finished = false; // answered or abandoned
};

std::shared_ptr<SentMessage> NewSentMessage()
{
    return std::make_shared<SentMessage>();
}

SentGuard::SentGuard(std::shared_ptr<SentMessage> sent) : m_sent(std::move(sent)) {}

SentGuard::~SentGuard()
{
    std::lock_guard guard(m_sent->lock);
    m_sent->finished = true;
    m_sent->done.notify_all();
}

void SentGuard::Complete(std::intptr_t result)
{
    std::lock_guard guard(m_sent->lock);
    m_sent->result = result;
    m_sent->finished = true;
    m_sent->done.notify_all();
}

std::optional<std::intptr_t> AwaitSentMessage(SentMessage& sent, std::stop_token stop)
{
    std::unique_lock guard(sent.lock);
    sent.done.wait(guard, stop, [&] { return sent.finished; });
    return sent.result;
}

} // namespace detail
} // namespace zep
