// What an offline message window (e-mail, SMS, pager) asks of the program. The main frame owns
// these windows, so a log-off or a lost connection never takes a half-written message with it;
// the frame hands a send to the logged-on view when there is one and fails it otherwise.
#pragma once

#include "common/im_result.h"
#include "protocol/contact_record.h"

#include <functional>
#include <string>

class QObject;

namespace zep::history {
class Store;
}

namespace zep::conversations {

class COfflineMessageWindow;

class OfflineMessageHost
{
public:
    virtual ~OfflineMessageHost() = default;

    // The user's own record as the current (or last) logon reported it: addresses, numbers and
    // the account's character limits.
    virtual ContactRecord OwnRecord() const = 0;

    // "MESSAGE" of `type` ("email", "sms", "pager"): `headers` are complete CR LF lines, `body`
    // the UTF-8 text. Runs on the logged-on view's request worker; `done` gets the result later
    // on the UI thread, and only while `context` lives. Without a logged-on view `done` gets
    // ConnectionClosed, also later (never inside the call).
    virtual void SendOfflineMessage(std::string type, std::string headers, std::string body,
                                    QObject* context, std::function<void(ImResult)> done) = 0;

    // The window is closing: the owner drops it from its list and deletes it later.
    virtual void OfflineWindowClosed(COfflineMessageWindow* window) = 0;

    // Help ("&Contents", "&Search", "&Index") and the about box of the program.
    virtual void ShowHelp(int topic) = 0;
    virtual void ShowAbout() = 0;
    // The logged-on account's conversation history, or null when none is kept.
    virtual history::Store* History() const { return nullptr; }
};

} // namespace zep::conversations
