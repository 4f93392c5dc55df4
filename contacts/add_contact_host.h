// What the add-contact wizard asks of the logged-on view. Requests run on the view's request
// worker; each `done` runs later on the UI thread, and only while `context` lives.
#pragma once

#include "protocol/contact_record.h"
#include "common/im_result.h"

#include <functional>
#include <string>
#include <vector>

class QObject;

namespace zep::contacts {

enum class AddContactOutcome
{
    Added,        // CONTACT ADD succeeded; the row is in the main list
    AlreadyAdded, // a contact already, or the server answered 552
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

    // Adds the chosen user: a contact already gives AlreadyAdded at once; otherwise
    // "CONTACT ADD" of type "CONTACT", "SUBSCRIBE", and the row in the main list. The chain
    // belongs to the view, not to `context`: a wizard cancelled meanwhile still gets the row
    // added, it just hears nothing.
    virtual void AddContact(const ContactRecord& chosen, QObject* context,
                            std::function<void(AddContactOutcome)> done) = 0;
};

} // namespace zep::contacts
