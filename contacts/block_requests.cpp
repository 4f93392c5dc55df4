#include "contacts/block_requests.h"

#include "contacts/block_list.h"
#include "protocol/requests.h"

namespace zep {

ImResult RequestBlockList(ImConnection& conn, std::vector<ContactRecord>& blocked)
{
    blocked.clear();
    std::vector<ContactRecordUtf8> listed;
    const ImResult result = ImListContacts(conn, ListType::Blocked, listed);
    for (const ContactRecordUtf8& r : listed) {
        ContactRecord wide;
        if (ToUtf16(r, wide) == ImResult::Ok)
            blocked.push_back(std::move(wide));
    }
    return result;
}

ImResult RequestUnblock(ImConnection& conn, const std::u16string& email)
{
    std::vector<ContactRecord> blocked;
    if (const ImResult listed = RequestBlockList(conn, blocked); listed != ImResult::Ok)
        return listed;
    // The entry's own Id: the one the block list gives, whatever the caller's record says.
    const ContactRecord* entry = contacts::FindBlocked(blocked, email);
    return entry == nullptr ? ImResult::Ok : ImContactDel(conn, entry->id);
}

} // namespace zep
