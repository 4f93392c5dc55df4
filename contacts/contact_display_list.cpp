#include "contacts/contact_display_list.h"

#include <algorithm>

namespace zep::contacts {

CContactDisplay* CContactDisplayList::Add(const CContactDisplay& row)
{
    m_rows.push_front(std::make_unique<CContactDisplay>(row));
    CContactDisplay* added = m_rows.front().get();
    m_where[added] = m_rows.begin();
    if (!added->Contact.email.empty())
        m_byEmail[FoldCase(added->Contact.email)] = added; // the head is found first
    return added;
}

bool CContactDisplayList::Remove(const CContactDisplay* row)
{
    const auto where = m_where.find(row);
    if (where == m_where.end())
        return false;
    const std::u16string key = FoldCase(row->Contact.email);
    const auto it = where->second;
    m_where.erase(where);
    IndexAfterRemoval(key, row);
    m_rows.erase(it);
    return true;
}

void CContactDisplayList::IndexAfterRemoval(const std::u16string& key,
                                            const CContactDisplay* removed)
{
    if (key.empty())
        return;
    const auto indexed = m_byEmail.find(key);
    if (indexed == m_byEmail.end() || indexed->second != removed)
        return;
    m_byEmail.erase(indexed);
    for (const auto& r : m_rows) {
        if (r.get() != removed && FoldCase(r->Contact.email) == key) {
            m_byEmail[key] = r.get();
            return;
        }
    }
}

void CContactDisplayList::Clear()
{
    m_byEmail.clear();
    m_where.clear();
    m_rows.clear();
}

void CContactDisplayList::Update(CContactDisplay* row, const CContactDisplay& from)
{
    const std::u16string oldKey = FoldCase(row->Contact.email);
    row->Kind = from.Kind;
    row->Label = from.Label;
    row->Contact = from.Contact;
    const std::u16string newKey = FoldCase(row->Contact.email);
    if (oldKey == newKey)
        return;
    IndexAfterRemoval(oldKey, row);
    if (newKey.empty())
        return;
    // Keep "first from the head": only take the index when no earlier row holds the address.
    for (const auto& r : m_rows) {
        if (FoldCase(r->Contact.email) == newKey) {
            m_byEmail[newKey] = r.get();
            break;
        }
    }
}

CContactDisplay* CContactDisplayList::FindByEmail(const std::u16string& email) const
{
    if (email.empty())
        return nullptr;
    const auto it = m_byEmail.find(FoldCase(email));
    return it == m_byEmail.end() ? nullptr : it->second;
}

CContactDisplay* CContactDisplayList::FindByKind(ContactDisplayKind kind) const
{
    for (const auto& r : m_rows) {
        if (r->Kind == kind)
            return r.get();
    }
    return nullptr;
}

bool CContactDisplayList::IsShownKind(ContactDisplayKind kind) const
{
    const ContactDisplayKind header = GroupHeaderOf(kind);
    if (header == ContactDisplayKind::InfoRow)
        return true;
    const CContactDisplay* h = FindByKind(header);
    return h != nullptr && h->Expanded();
}

bool CContactDisplayList::IsShown(const CContactDisplay& row) const
{
    return IsShownKind(row.Kind);
}

std::unique_ptr<CContactDisplayList> CContactDisplayList::CopyContacts(bool includeOffline) const
{
    auto copy = std::make_unique<CContactDisplayList>();
    // Walk from the tail so the copy keeps this list's order.
    for (auto it = m_rows.rbegin(); it != m_rows.rend(); ++it) {
        const CContactDisplay& r = **it;
        if (r.Kind == ContactDisplayKind::OnlineContact ||
            (includeOffline && r.Kind == ContactDisplayKind::OfflineContact))
            copy->Add(r);
    }
    return copy;
}

std::vector<CContactDisplay*> CContactDisplayList::Sorted() const
{
    std::vector<CContactDisplay*> out;
    out.reserve(m_rows.size());
    for (const auto& r : m_rows)
        out.push_back(r.get());
    std::stable_sort(
        out.begin(), out.end(),
        [](const CContactDisplay* a, const CContactDisplay* b) { return RowLess(*a, *b); });
    return out;
}

} // namespace zep::contacts
