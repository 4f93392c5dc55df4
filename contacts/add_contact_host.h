// What the add-contact wizard and the Blocked Contacts window ask of the logged-on view. Requests
// run on the view's request worker; each `done` runs later on the UI thread, and only while
// `context` lives.
#pragma once

#include "common/im_result.h"
#include "protocol/contact_record.h"

#include <functional>
#include <string>
#include <vector>

class QObject;

namespace zep::contacts {

enum class AddContactOutcome
{
    Added,        // CONTACT ADD succeeded; the row is in the main list
    AlreadyAdded, // a contact already, or the server answered 552
    Blocked,      // in the block list: nothing was sent; unblocking comes first
    UnblockFailed,
    Failed,
};

class AddContactHost
{
public:
    virtual ~AddContactHost() = default;

    // The user's own address (never listed as a match).
    virtual std::u16string OwnEmail() const = 0;

    // "LIST USERS" with "SearchEmail" = `text`.
    virtual void SearchUsers(std::u16string text, QObject* context,
                             std::function<void(ImResult, std::vector<ContactRecord>)> done) = 0;

    // Adds the chosen user: a contact already gives AlreadyAdded at once, a user in the block
    // list ("LIST CONTACTS" of type "BLOCKED") gives Blocked; otherwise "CONTACT ADD" of type
    // "CONTACT", "SUBSCRIBE", and the row in the main list. The chain
    // belongs to the view, not to `context`: a wizard cancelled meanwhile still gets the row
    // added, it just hears nothing.
    virtual void AddContact(const ContactRecord& chosen, QObject* context,
                            std::function<void(AddContactOutcome)> done) = 0;

    // "LIST CONTACTS" of type "BLOCKED".
    virtual void ListBlocked(QObject* context,
                             std::function<void(ImResult, std::vector<ContactRecord>)> done) = 0;

    // Takes the user off the block list: its entry is found there by address and deleted
    // ("CONTACT DEL" of the entry's Id). Ok too when it is not in the list.
    virtual void UnblockContact(const ContactRecord& user, QObject* context,
                                std::function<void(ImResult)> done) = 0;
};

} // namespace zep::contacts
