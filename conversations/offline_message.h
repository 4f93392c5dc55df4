// An offline message (e-mail, SMS, pager) without its window: who it can come from and go to,
// the title, the character limit and its counter, and the MESSAGE it becomes. Plain C++, no Qt.
#pragma once

#include "contacts/contact_actions.h"
#include "protocol/contact_record.h"
#include "common/im_result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zep::conversations {

// The contact list's kinds (1 e-mail, 2 SMS, 3 pager), the numbers the add-in uses too.
using contacts::OfflineKind;

// 2 and 3 are SMS and pager; any other number is e-mail, the default kind.
OfflineKind OfflineKindFromNumber(int number);

// What the "From" and "To" lists offer, in order; the first entry of each is selected.
struct OfflineRecipients
{
    std::vector<std::u16string> from;
    std::vector<std::u16string> to;

    bool Usable() const { return !from.empty() && !to.empty(); }
};

// E-mail: the two addresses. Pager: the two work pagers. SMS: the user's work then home
// mobile; the contact's preferred mobile when it is offline and asks for SMS on that number
// (and the number is known), else its work then home mobile. Empty entries are never listed.
OfflineRecipients FillRecipients(OfflineKind kind, const ContactRecord& own,
                                 const ContactRecord& contact);

// "Email Message", "SMS Message", "Pager Message".
std::u16string_view OfflineTitleWord(OfflineKind kind);
// The title word, " : " and the contact's name.
std::u16string OfflineTitle(OfflineKind kind, const ContactRecord& contact);
// The type word of the MESSAGE request: "email", "sms", "pager".
std::string_view OfflineTypeWord(OfflineKind kind);

// Characters an SMS or pager text may hold, from the account; 0 for e-mail. A limit of 0 or
// less means the text is not counted.
int CharacterLimit(OfflineKind kind, const ContactRecord& own);

// Characters as the user sees them: code points, so a character outside the basic plane
// (a surrogate pair in UTF-16) counts once. Each line break counts as one.
std::size_t CountCharacters(std::u16string_view text);

// The "Remaining" box: the limit minus the count, or "N too many" with the excess; empty
// when there is no limit.
std::u16string RemainingText(int limit, std::size_t count);

// The text without the spaces, CR and LF (and the document's line separators) at its end.
std::u16string_view TrimRightSpacesAndBreaks(std::u16string_view text);

// What the user composed, as the window holds it.
struct OfflineDraft
{
    OfflineKind kind = OfflineKind::Email;
    std::u16string from;
    std::u16string to;
    std::u16string subject; // e-mail only
    std::u16string text;    // the pane's plain text, "\n" (or U+2028, U+2029) between lines
};

// The MESSAGE request's parts: the type word, the header lines (each ending CR LF) and the
// UTF-8 body with CR LF line ends.
struct OfflineMessage
{
    std::string type;
    std::string headers;
    std::string body;
};

// Ok and `out` filled; BadArgument when the text is empty once trimmed, an address is empty
// or a header value holds CR or LF; ConversionFailed when a header value is not valid UTF-16.
// `out` is unchanged on failure.
ImResult BuildOfflineMessage(const OfflineDraft& draft, OfflineMessage& out);

} // namespace zep::conversations
