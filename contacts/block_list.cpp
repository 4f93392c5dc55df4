#include "contacts/block_list.h"

#include "protocol/ui_text.h"

#include <algorithm>

namespace zep::contacts {

const ContactRecord* FindBlocked(const std::vector<ContactRecord>& blocked,
                                 const std::u16string& email)
{
    const auto it = std::find_if(blocked.begin(), blocked.end(), [&](const ContactRecord& r) {
        return EqualNoCase(r.email, email);
    });
    return it == blocked.end() ? nullptr : &*it;
}

std::vector<CContactDisplay> BlockedRows(ImResult result, const std::vector<ContactRecord>& blocked)
{
    std::vector<CContactDisplay> rows;
    if (result == ImResult::Ok) {
        for (const ContactRecord& user : blocked) {
            CContactDisplay row;
            row.Contact = user;
            // Nobody on the block list is seen online, and none is reached from here.
            row.Contact.status = PresenceStatus::Unavailable;
            row.Contact.subStatus = SubStatus::None;
            row.Contact.contactMethod = ContactMethod::None;
            row.Kind = ContactDisplayKind::OfflineContact;
            row.Label = SearchResultLabel(user);
            rows.push_back(std::move(row));
        }
    }
    if (rows.empty()) {
        CContactDisplay info;
        info.Label = UiText(result == ImResult::Ok ? kNobodyBlockedLabel : kBlockListFailedLabel);
        rows.push_back(std::move(info));
    }
    return rows;
}

} // namespace zep::contacts
