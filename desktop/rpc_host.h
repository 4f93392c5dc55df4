// What the control service asks of the messenger: the main window, its logged-on view and the
// tray's commands. The application's frame and view implement it, so the service knows
// nothing of them.
#pragma once

#include "contacts/contact_display.h"
#include "protocol/contact_record.h"
#include "session/messages.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QObject;
class QWidget;

namespace zep {

// The view's registered messages for the control service. lParam carries a
// `const std::u16string*` address, or for the details a `ContactRecord*` whose email is filled
// in; both stay the caller's.
namespace uwm {
MessageId SendImCommand();
MessageId SendEmailCommand();
MessageId SendSmsCommand();
MessageId SendPagerCommand();
MessageId GetContactDetailsCommand();
} // namespace uwm

// The logged-on view.
class RpcView
{
public:
    virtual std::intptr_t OnRegisteredMessage(MessageId id, std::intptr_t wParam,
                                              std::intptr_t lParam) = 0;
    // A copy, id -1 when not a contact.
    virtual ContactRecord FindContact(const std::u16string& email) const = 0;
    virtual std::optional<contacts::CContactDisplay>
    FindContactRow(const std::u16string& email) const = 0;
    virtual const ContactRecord& Own() const = 0;
    // `done` gets 0, 207 when the address is not a contact, or the INVITE's result.
    virtual void StartConversation(const std::u16string& email,
                                   std::function<void(int)> done = {}) = 0;

protected:
    ~RpcView() = default;
};

// The main frame.
class RpcHost
{
public:
    // The main window: its visibility is what the service reports as visible.
    virtual QWidget* RpcWindow() = 0;
    virtual bool RpcLoggedOn() const = 0;
    // The view while logged on, else null.
    virtual RpcView* RpcLoggedOnView() = 0;
    // Calls `changed` while `context` lives, whenever the logged-on state may have changed.
    virtual void RpcWatchLogon(QObject* context, std::function<void()> changed) = 0;
    virtual void OnLogIn() = 0;
    virtual void OnLogOut() = 0;
    virtual void OnOpen() = 0;
    virtual void OnExit() = 0;
    virtual void OnHide() = 0;

protected:
    ~RpcHost() = default;
};

} // namespace zep
