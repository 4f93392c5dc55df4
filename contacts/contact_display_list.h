// The model of the contact list: every row, including those of a collapsed group that the
// control does not show. Owns its rows; plain C++, used on the UI thread only.
#pragma once

#include "contacts/contact_display.h"

#include <functional>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

namespace zep::contacts {

class CContactDisplayList
{
public:
    using Rows = std::list<std::unique_ptr<CContactDisplay>>;

    CContactDisplayList() = default;
    CContactDisplayList(const CContactDisplayList&) = delete;
    CContactDisplayList& operator=(const CContactDisplayList&) = delete;

    // Copies the row in at the head; returns the model's row.
    CContactDisplay* Add(const CContactDisplay& row);
    // Deletes the row; false when it is not in this list.
    bool Remove(const CContactDisplay* row);
    void Clear();

    // Copies kind, label and record from `from` into `row` (the address may change case).
    void Update(CContactDisplay* row, const CContactDisplay& from);

    // The first row (from the head) whose address matches without regard to case.
    CContactDisplay* FindByEmail(const std::u16string& email) const;
    CContactDisplay* FindByKind(ContactDisplayKind kind) const;
    bool HasKind(ContactDisplayKind kind) const { return FindByKind(kind) != nullptr; }

    // A row of a group is shown only while its header is in the list and expanded.
    bool IsShown(const CContactDisplay& row) const;
    bool IsShownKind(ContactDisplayKind kind) const;

    // Copies of the online contacts, and of the offline ones when asked.
    std::unique_ptr<CContactDisplayList> CopyContacts(bool includeOffline) const;

    // The rows in display order (RowLess).
    std::vector<CContactDisplay*> Sorted() const;

    std::size_t Size() const { return m_rows.size(); }
    bool Empty() const { return m_rows.empty(); }
    Rows::const_iterator begin() const { return m_rows.begin(); }
    Rows::const_iterator end() const { return m_rows.end(); }

private:
    void IndexAfterRemoval(const std::u16string& key, const CContactDisplay* removed);

    Rows m_rows;
    std::unordered_map<const CContactDisplay*, Rows::iterator> m_where;
    // Folded address to the head-most contact row with that address.
    std::unordered_map<std::u16string, CContactDisplay*> m_byEmail;
};

} // namespace zep::contacts
