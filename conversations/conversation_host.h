// What a conversation window asks of the logged-on view that owns it. Requests run on the
// view's request worker (never on the UI thread); each `done` runs later on the UI thread, and
// only while `context` still lives (the view binds it to `context` with a queued call), so a
// window that closed in the meantime is never touched.
#pragma once

#include "common/im_result.h"
#include "contacts/contact_display.h"
#include "contacts/contact_display_list.h"
#include "protocol/contact_record.h"
#include "protocol/requests.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QObject;

namespace zep::history {
class Store;
}

namespace zep::conversations {

class MessageWindow;

class ConversationHost
{
public:
    virtual ~ConversationHost() = default;

    // The user's own record (address, name, account flags including "enter sends").
    virtual ContactRecord OwnRecord() const = 0;

    // A participant's record at once: the contact, the user, or a bare record (id -1) whose
    // name is the address's local part. For a bare record the directory is asked
    // ("LIST USERS") and `resolved` runs exactly once, later and only while `context` lives:
    // with the directory's record, or with the bare record when the directory does not know
    // the address or cannot be asked.
    virtual ContactRecord LookupParticipant(const std::u16string& email, QObject* context,
                                            std::function<void(const ContactRecord&)> resolved) = 0;

    // "MESSAGE" of type "im": `headers` are complete CR LF lines (SessionId first), `body` the
    // MIME body. `done` gets the result and the reply's "250-"/"251-" failures.
    virtual void
    SendInstantMessage(std::string headers, std::string body, QObject* context,
                       std::function<void(ImResult, std::vector<MessageFailure>)> done) = 0;

    // "INVITE" of one more address into the session.
    virtual void InviteToSession(std::string sessionId, std::u16string email, QObject* context,
                                 std::function<void(ImResult)> done) = 0;

    // "LIST CONTACTS" of type "BLOCKED".
    virtual void ListBlocked(QObject* context,
                             std::function<void(ImResult, std::vector<ContactRecord>)> done) = 0;

    // The block routine shared with the contact list: UNSUBSCRIBE, "CONTACT ADD" of type
    // "BLOCKED", removal of the row; the view shows the success or failure box itself.
    virtual void BlockContact(const ContactRecord& contact) = 0;

    // Copies of the main list's online contacts (for Invite).
    virtual std::unique_ptr<contacts::CContactDisplayList> OnlineContacts() const = 0;
    // The main list's row of that address, if it is a contact.
    virtual std::optional<contacts::CContactDisplay>
    FindContactRow(const std::u16string& email) const = 0;

    // The window is closing: the view takes it out of its list at once, sends "LEAVE" unless
    // the session ended, and deletes it later.
    virtual void ConversationClosed(MessageWindow* window) = 0;

    // Help ("&Contents", "&Search", "&Index") and the about box of the program.
    virtual void ShowHelp(int topic) = 0;
    // The account's conversation history, or null when none is kept.
    virtual history::Store* History() const { return nullptr; }
    virtual void ShowAbout() = 0;
};

} // namespace zep::conversations
