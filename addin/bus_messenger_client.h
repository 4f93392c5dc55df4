// MessengerControl over the D-Bus session bus with sd-bus: no Qt, no thread, no signal
// handler. Every call is made without auto-start and waited for on this thread up to its
// deadline; an expired call is a failure and its late reply is dropped.
#pragma once

#include "addin/messenger_client.h"

#include <chrono>
#include <cstdint>
#include <string>

struct sd_bus;
struct sd_bus_slot;
struct sd_bus_message;

namespace zep::addin {

class BusMessengerClient final : public IMessengerClient
{
public:
    struct Deadlines
    {
        std::chrono::milliseconds query = kQueryDeadline;     // GetMessengerState, details
        std::chrono::milliseconds command = kCommandDeadline; // every other procedure
    };

    BusMessengerClient();
    explicit BusMessengerClient(Deadlines deadlines);
    ~BusMessengerClient() override;
    BusMessengerClient(const BusMessengerClient&) = delete;
    BusMessengerClient& operator=(const BusMessengerClient&) = delete;

    HResult Bind() override;
    HResult Unbind() override;
    bool Bound() const override { return m_bound; }

    HResult GetMessengerState(bool& visible, bool& loggedOn) override;
    HResult GetContactDetails(const std::string& address, ContactDetails& details) override;
    HResult Send(SendKind kind, const std::string& address) override;
    HResult Run(Command command) override;

    void SetStateListener(std::function<void(bool ownerChanged)> listener) override;
    void Pump() override;
    int Descriptor() const override;

    // The bus address used when DBUS_SESSION_BUS_ADDRESS is not set: the user's bus socket in
    // the runtime directory, escaped as a bus address value. Empty without a runtime directory.
    static std::string FallbackAddress(const char* runtimeDir);

    // The bus told of a possible change of the messenger's state (from the match handlers).
    void NoteChange(bool ownerChanged)
    {
        m_changed = true;
        m_ownerChanged = m_ownerChanged || ownerChanged;
    }

private:
    // 0 and the reply (owned by the caller) on success, else the transport status.
    std::int32_t Call(const char* method, const std::string* address,
                      std::chrono::milliseconds deadline, sd_bus_message** reply);
    bool Connect();
    void CloseConnection();

    Deadlines m_deadlines;
    bool m_bound = false;
    sd_bus* m_bus = nullptr;
    sd_bus_slot* m_stateMatch = nullptr;
    sd_bus_slot* m_ownerMatch = nullptr;
    bool m_changed = false;
    bool m_ownerChanged = false;
    bool m_pumping = false;
    std::function<void(bool)> m_listener;
};

} // namespace zep::addin
