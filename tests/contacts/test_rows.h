// Helpers of the contact list tests: records and readable texts.
#pragma once

#include "contacts/contact_list_engine.h"

#include <string>

namespace zep::contacts::testing {

inline std::u16string U(const std::string& s)
{
    return std::u16string(s.begin(), s.end());
}

inline std::string A(const std::u16string& s)
{
    std::string out;
    for (char16_t c : s)
        out.push_back(c < 128 ? static_cast<char>(c) : '?');
    return out;
}

inline ContactRecord Contact(const std::string& name, const std::string& email,
                             PresenceStatus status = PresenceStatus::Available,
                             SubStatus sub = SubStatus::None)
{
    ContactRecord r;
    r.name = U(name);
    r.email = U(email);
    r.status = status;
    r.subStatus = sub;
    return r;
}

inline CContactDisplay ContactRow(const ContactRecord& r)
{
    CContactDisplay row;
    row.Contact = r;
    row.Indent = 1;
    row.Kind = r.status == PresenceStatus::Available ? ContactDisplayKind::OnlineContact
                                                     : ContactDisplayKind::OfflineContact;
    row.Label = ContactLabel(r);
    return row;
}

// The view's way of building the list: fixed rows and contacts without refresh, then one refresh.
inline void Fill(ContactListEngine& list, const std::vector<ContactRecord>& contacts)
{
    list.AddRow(ContactDisplayKind::MailNotice, 0, MailNoticeLabel(0), nullptr, false);
    list.AddRow(ContactDisplayKind::OnlineHeader, 0, kOnlineLabel, nullptr, false);
    for (const ContactRecord& r : contacts) {
        if (r.status == PresenceStatus::Available)
            list.AddDisplay(ContactRow(r), false);
    }
    list.AddRow(ContactDisplayKind::OfflineHeader, 0, kOfflineLabel, nullptr, false);
    for (const ContactRecord& r : contacts) {
        if (r.status != PresenceStatus::Available)
            list.AddDisplay(ContactRow(r), false);
    }
    list.RefreshList();
}

// The shown labels, one per line.
inline std::string Shown(const ContactListEngine& list)
{
    std::string out;
    for (int i = 0; i < list.ShownCount(); ++i)
        out += A(list.ShownAt(i)->Label) + "\n";
    return out;
}

} // namespace zep::contacts::testing
