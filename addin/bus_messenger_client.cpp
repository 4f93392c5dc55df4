#include "addin/bus_messenger_client.h"

#include "rpc/messenger_control.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <systemd/sd-bus.h>

namespace zep::addin {
namespace {

using Clock = std::chrono::steady_clock;

// Not bound: the runtime's "invalid binding".
constexpr std::int32_t kStatusInvalidBinding = 1702;
// Bounds the connection's own traffic (authentication, Hello, AddMatch) when it is opened.
constexpr std::chrono::milliseconds kSetupDeadline{2000};
// Messages read per Pump: a flood of signals cannot keep the host's thread here.
constexpr int kPumpLimit = 256;

std::uint64_t Micro(std::chrono::milliseconds ms)
{
    return static_cast<std::uint64_t>(ms.count()) * 1000u;
}

struct PendingReply
{
    bool done = false;
    sd_bus_message* reply = nullptr;
};

int OnReply(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    auto* pending = static_cast<PendingReply*>(userdata);
    pending->done = true;
    pending->reply = sd_bus_message_ref(message);
    return 0;
}

int OnStateSignal(sd_bus_message*, void* userdata, sd_bus_error*)
{
    static_cast<BusMessengerClient*>(userdata)->NoteChange(false);
    return 0;
}

int OnOwnerSignal(sd_bus_message*, void* userdata, sd_bus_error*)
{
    static_cast<BusMessengerClient*>(userdata)->NoteChange(true);
    return 0;
}

// A match that cannot be installed only costs the live updates; the connection stays.
int OnMatchInstalled(sd_bus_message*, void*, sd_bus_error*)
{
    return 0;
}

std::int32_t StatusOfError(const sd_bus_error* error)
{
    if (sd_bus_error_has_name(error, rpc::kErrorNoOwner) ||
        sd_bus_error_has_name(error, rpc::kErrorServiceUnknown))
        return kStatusServerUnavailable;
    return kStatusCallFailed;
}

std::string Match(const char* sender, const char* path, const char* interface, const char* member,
                  const char* arg0)
{
    std::string match = "type='signal',sender='";
    match += sender;
    match += "',path='";
    match += path;
    match += "',interface='";
    match += interface;
    match += "',member='";
    match += member;
    match += "'";
    if (arg0 != nullptr) {
        match += ",arg0='";
        match += arg0;
        match += "'";
    }
    return match;
}

} // namespace

BusMessengerClient::BusMessengerClient() : BusMessengerClient(Deadlines{}) {}

BusMessengerClient::BusMessengerClient(Deadlines deadlines) : m_deadlines(deadlines) {}

BusMessengerClient::~BusMessengerClient()
{
    Unbind();
}

std::string BusMessengerClient::FallbackAddress(const char* runtimeDir)
{
    if (runtimeDir == nullptr || runtimeDir[0] != '/')
        return {};
    // Bus address values escape every byte outside [-0-9A-Za-z_/.\] as %XX.
    static const char kHex[] = "0123456789abcdef";
    std::string address = "unix:path=";
    const std::string path = std::string(runtimeDir) + "/bus";
    for (unsigned char c : path) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                           (c >= 'A' && c <= 'Z') || c == '-' || c == '_' || c == '/' || c == '.' ||
                           c == '\\';
        if (plain) {
            address += static_cast<char>(c);
        } else {
            address += '%';
            address += kHex[c >> 4];
            address += kHex[c & 15];
        }
    }
    return address;
}

HResult BusMessengerClient::Bind()
{
    // Like the runtime's binding handle, this makes no call; the connection is opened by the
    // first procedure, so a missing bus is "not running" rather than a failed start.
    m_bound = true;
    return kOk;
}

HResult BusMessengerClient::Unbind()
{
    CloseConnection();
    m_bound = false;
    return kOk;
}

bool BusMessengerClient::Connect()
{
    if (m_bus != nullptr && sd_bus_is_open(m_bus) > 0)
        return true;
    CloseConnection();
    const char* env = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string address = env != nullptr && env[0] != '\0'
                                    ? std::string(env)
                                    : FallbackAddress(std::getenv("XDG_RUNTIME_DIR"));
    if (address.empty())
        return false;
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0)
        return false;
    // The connection's own calls (Hello, AddMatch) are bounded like the toolbar's queries.
    if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_set_method_call_timeout(bus, Micro(kSetupDeadline)) < 0 || sd_bus_start(bus) < 0) {
        sd_bus_close_unref(bus);
        return false;
    }
    m_bus = bus;
    const std::string state = Match(rpc::kBusName, rpc::kObjectPath, rpc::kInterfaceName,
                                    rpc::kStateChangedSignal, nullptr);
    const std::string owner = Match("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                    "org.freedesktop.DBus", "NameOwnerChanged", rpc::kBusName);
    // Installed asynchronously: the bus's answers are read with the next call or Pump.
    if (sd_bus_add_match_async(m_bus, &m_stateMatch, state.c_str(), OnStateSignal, OnMatchInstalled,
                               this) < 0 ||
        sd_bus_add_match_async(m_bus, &m_ownerMatch, owner.c_str(), OnOwnerSignal, OnMatchInstalled,
                               this) < 0) {
        CloseConnection();
        return false;
    }
    return true;
}

void BusMessengerClient::CloseConnection()
{
    m_stateMatch = sd_bus_slot_unref(m_stateMatch);
    m_ownerMatch = sd_bus_slot_unref(m_ownerMatch);
    if (m_bus != nullptr) {
        // No flush: a stalled bus must not hold the host's thread.
        sd_bus_close_unref(m_bus);
        m_bus = nullptr;
    }
}

std::int32_t BusMessengerClient::Call(const char* method, const std::string* address,
                                      std::chrono::milliseconds deadline, sd_bus_message** reply)
{
    *reply = nullptr;
    if (!m_bound)
        return kStatusInvalidBinding;
    const Clock::time_point end = Clock::now() + deadline;
    if (!Connect())
        return kStatusServerUnavailable;
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(m_bus, &call, rpc::kBusName, rpc::kObjectPath,
                                       rpc::kInterfaceName, method) < 0)
        return kStatusCallFailed;
    // Nothing may start a messenger behind the user's back.
    int r = sd_bus_message_set_auto_start(call, 0);
    if (r >= 0 && address != nullptr)
        r = sd_bus_message_append(call, "s", address->c_str());
    if (r < 0) {
        sd_bus_message_unref(call);
        return kStatusCallFailed;
    }
    PendingReply pending;
    sd_bus_slot* slot = nullptr;
    // The library's own time-out comes after ours, so its "no reply" means a lost connection.
    r = sd_bus_call_async(m_bus, &slot, call, OnReply, &pending,
                          Micro(deadline + std::chrono::seconds(1)));
    sd_bus_message_unref(call);
    if (r < 0) {
        CloseConnection();
        return kStatusCallFailed;
    }
    bool broken = false;
    while (!pending.done) {
        r = sd_bus_process(m_bus, nullptr);
        if (r < 0) {
            broken = true;
            break;
        }
        if (r > 0)
            continue;
        const Clock::time_point now = Clock::now();
        if (now >= end)
            break;
        const auto left = std::chrono::ceil<std::chrono::microseconds>(end - now);
        r = sd_bus_wait(m_bus, static_cast<std::uint64_t>(left.count()));
        if (r < 0 && r != -EINTR) {
            broken = true;
            break;
        }
    }
    // Dropping the slot forgets the call: a late reply is discarded by the library.
    sd_bus_slot_unref(slot);
    if (!pending.done) {
        if (broken || sd_bus_is_open(m_bus) <= 0) {
            CloseConnection();
            return kStatusCallFailed;
        }
        return kStatusTimeout;
    }
    const sd_bus_error* error = sd_bus_message_get_error(pending.reply);
    if (error != nullptr) {
        const std::int32_t status = StatusOfError(error);
        sd_bus_message_unref(pending.reply);
        if (sd_bus_is_open(m_bus) <= 0)
            CloseConnection();
        return status;
    }
    *reply = pending.reply;
    return 0;
}

HResult BusMessengerClient::GetMessengerState(bool& visible, bool& loggedOn)
{
    visible = false;
    loggedOn = false;
    sd_bus_message* reply = nullptr;
    const std::int32_t status = Call(rpc::kProcedures[5], nullptr, m_deadlines.query, &reply);
    if (status != 0)
        return StatusResult(status);
    std::int32_t result = 0;
    std::uint8_t v = 0;
    std::uint8_t l = 0;
    const int r = sd_bus_message_read(reply, "iyy", &result, &v, &l);
    sd_bus_message_unref(reply);
    if (r <= 0)
        return StatusResult(kStatusCallFailed);
    const HResult mapped = ProcedureResult(result);
    if (!Failed(mapped)) {
        visible = v != 0;
        loggedOn = l != 0;
    }
    return mapped;
}

HResult BusMessengerClient::GetContactDetails(const std::string& address, ContactDetails& details)
{
    sd_bus_message* reply = nullptr;
    const std::int32_t status = Call(rpc::kProcedures[0], &address, m_deadlines.query, &reply);
    if (status != 0)
        return StatusResult(status);
    std::int32_t result = 0;
    ContactDetails got;
    std::uint8_t im = 0;
    std::uint8_t sms = 0;
    std::uint8_t pager = 0;
    std::uint8_t known = 0;
    const int r = sd_bus_message_read(reply, "iiiyyyy", &result, &got.status, &got.subStatus, &im,
                                      &sms, &pager, &known);
    sd_bus_message_unref(reply);
    if (r <= 0)
        return StatusResult(kStatusCallFailed);
    const HResult mapped = ProcedureResult(result);
    if (!Failed(mapped)) {
        got.canSendIm = im != 0;
        got.canSendSms = sms != 0;
        got.canSendPager = pager != 0;
        got.known = known != 0;
        details = got;
    }
    return mapped;
}

namespace {

HResult ReadResult(std::int32_t status, sd_bus_message* reply)
{
    if (status != 0)
        return StatusResult(status);
    std::int32_t result = 0;
    const int r = sd_bus_message_read(reply, "i", &result);
    sd_bus_message_unref(reply);
    return r <= 0 ? StatusResult(kStatusCallFailed) : ProcedureResult(result);
}

} // namespace

HResult BusMessengerClient::Send(SendKind kind, const std::string& address)
{
    sd_bus_message* reply = nullptr;
    const std::int32_t status =
        Call(rpc::kProcedures[static_cast<int>(kind)], &address, m_deadlines.command, &reply);
    return ReadResult(status, reply);
}

HResult BusMessengerClient::Run(Command command)
{
    sd_bus_message* reply = nullptr;
    const std::int32_t status =
        Call(rpc::kProcedures[static_cast<int>(command)], nullptr, m_deadlines.command, &reply);
    return ReadResult(status, reply);
}

void BusMessengerClient::SetStateListener(std::function<void(bool)> listener)
{
    m_listener = std::move(listener);
}

void BusMessengerClient::Pump()
{
    if (m_pumping || m_bus == nullptr)
        return;
    m_pumping = true;
    // A listener's own calls may read more signals; a few rounds settle it.
    for (int round = 0; round < 3 && m_bus != nullptr; ++round) {
        for (int i = 0; i < kPumpLimit && m_bus != nullptr; ++i) {
            const int r = sd_bus_process(m_bus, nullptr);
            if (r < 0) {
                CloseConnection();
                NoteChange(true); // the messenger may be gone with the bus
            }
            if (r <= 0)
                break;
        }
        if (!m_changed)
            break;
        const bool owner = m_ownerChanged;
        m_changed = false;
        m_ownerChanged = false;
        if (m_listener)
            m_listener(owner);
    }
    m_pumping = false;
}

int BusMessengerClient::Descriptor() const
{
    if (m_bus == nullptr)
        return -1;
    const int fd = sd_bus_get_fd(m_bus);
    return fd < 0 ? -1 : fd;
}

} // namespace zep::addin
