// The add-in's client of MessengerControl: the binding and one wrapper per procedure, each
// returning a result of addin/results.h. The bus implementation is bus_messenger_client.h;
// tests put a scripted one in its place.
#pragma once

#include "addin/results.h"

#include <chrono>
#include <functional>
#include <string>

namespace zep::addin {

struct ContactDetails
{
    std::int32_t status = 0;
    std::int32_t subStatus = 0;
    bool canSendIm = false;
    bool canSendSms = false;
    bool canSendPager = false;
    bool known = false;
};

// The procedures with an address, in operation-number order 1 to 4.
enum class SendKind
{
    InstantMessage = 1,
    Sms = 2,
    Pager = 3,
    Email = 4,
};

// The commands without arguments, operation numbers 6 to 10.
enum class Command
{
    LogIn = 6,
    LogOut = 7,
    Exit = 8,
    Open = 9,
    Hide = 10,
};

class IMessengerClient
{
public:
    virtual ~IMessengerClient() = default;

    // Bind makes no call: it succeeds whether or not a messenger runs.
    virtual HResult Bind() = 0;
    virtual HResult Unbind() = 0;
    virtual bool Bound() const = 0;

    // `visible` and `loggedOn` are false unless the result is a success.
    virtual HResult GetMessengerState(bool& visible, bool& loggedOn) = 0;
    // `details` is written only on success.
    virtual HResult GetContactDetails(const std::string& address, ContactDetails& details) = 0;
    virtual HResult Send(SendKind kind, const std::string& address) = 0;
    virtual HResult Run(Command command) = 0;

    // Called from Pump (on the host's thread) when the messenger's state may have changed: its
    // StateChanged signal (false), or its name got or lost an owner (true).
    virtual void SetStateListener(std::function<void(bool ownerChanged)> listener) = 0;
    // Reads what the bus has sent without waiting; the host calls it when the descriptor from
    // Descriptor() is readable.
    virtual void Pump() = 0;
    // The descriptor to watch, or -1 while there is no connection.
    virtual int Descriptor() const = 0;
};

// Deadlines of the calls: the two that the toolbar's updates make are short.
inline constexpr std::chrono::milliseconds kQueryDeadline{2000};
inline constexpr std::chrono::milliseconds kCommandDeadline{15000};

} // namespace zep::addin
