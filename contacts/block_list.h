// The block list as the user sees it, and the look-ups made in it.
#pragma once

#include "common/im_result.h"
#include "contacts/contact_display.h"
#include "protocol/contact_record.h"

#include <string>
#include <vector>

namespace zep::contacts {

inline constexpr char16_t kNobodyBlockedLabel[] = u"Nobody is blocked.";
inline constexpr char16_t kBlockListFailedLabel[] = u"Your block list could not be fetched.";

// The block list's entry for `email` (addresses compared without regard to case), or null.
const ContactRecord* FindBlocked(const std::vector<ContactRecord>& blocked,
                                 const std::u16string& email);

// The rows of the Blocked Contacts window for an answer to "LIST CONTACTS" of type "BLOCKED":
// an offline contact row per user, labelled Name <Email>; or a single information row when
// nobody is blocked or the list could not be fetched.
std::vector<CContactDisplay> BlockedRows(ImResult result,
                                         const std::vector<ContactRecord>& blocked);

} // namespace zep::contacts
