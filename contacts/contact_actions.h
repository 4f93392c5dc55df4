// What the user may do with a row of the contact list: the states of the contact menu and
// what activating a row does. Both depend only on the user's own record and the row.
#pragma once

#include "contacts/contact_display.h"

namespace zep::contacts {

// The kinds of offline message window; the numbers are those of the RPC commands.
enum class OfflineKind : int
{
    Email = 1,
    Sms = 2,
    Pager = 3,
};

struct ContactMenuState
{
    bool instantMessage = false;
    bool sms = false;
    bool pager = false;
    // "Send Email", "Block" and "Delete Contact" are always offered.
};

// The enabled entries of the contact menu of a contact row.
ContactMenuState MenuStateFor(const ContactRecord& own, const CContactDisplay& row);

enum class RowAction
{
    None,
    StartConversation,
    LaunchMail,
    ToggleGroup,
    AddContact,
    OpenEmail,
    OpenSms,
    OpenPager,
};

// What a double-click or Enter on the row does. An offline contact opens the window its
// preferred contact method calls for, and only when its menu entry would be enabled.
RowAction ActivationFor(const ContactRecord& own, const CContactDisplay& row);

} // namespace zep::contacts
