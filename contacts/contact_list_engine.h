// The operations of the contact list control without the widget: the model of every row, the
// sorted sequence of rows the control shows, and the rules that move rows between the two.
// The control mirrors the shown sequence through a ShownRowsObserver.
#pragma once

#include "contacts/contact_display_list.h"
#include "contacts/contact_tip.h"

#include <memory>
#include <vector>

namespace zep::contacts {

// Told about every change of the shown sequence, before and after, with row positions.
class ShownRowsObserver
{
public:
    virtual ~ShownRowsObserver() = default;
    virtual void BeginInsertRows(int first, int last) = 0;
    virtual void EndInsertRows() = 0;
    virtual void BeginRemoveRows(int first, int last) = 0;
    virtual void EndRemoveRows() = 0;
    virtual void RowChanged(int index) = 0;
    // The whole sequence is replaced at once (a new filter).
    virtual void BeginReset() = 0;
    virtual void EndReset() = 0;
};

class ContactListEngine
{
public:
    ContactListEngine() = default;
    ContactListEngine(const ContactListEngine&) = delete;
    ContactListEngine& operator=(const ContactListEngine&) = delete;

    void SetObserver(ShownRowsObserver* observer) { m_observer = observer; }
    // A flat list (a search result, a picker) shows every row it holds, sorted, with no group
    // headers and no placeholders: it refuses rows of those kinds and RefreshList adds none.
    // The mode can only change while the list is empty; false otherwise.
    bool SetFlat(bool flat);
    bool Flat() const { return m_flat; }
    void SetOwnAbilities(const OwnAbilities& own);
    const OwnAbilities& Own() const { return m_own; }

    // All return true on success.
    bool AddRow(ContactDisplayKind kind, int indent, const std::u16string& label,
                const ContactRecord* record, bool refresh);
    bool AddDisplay(const CContactDisplay& row, bool refresh);
    bool UpdateContact(const std::u16string& email, const CContactDisplay& row);
    bool RemoveContact(const std::u16string& email);
    bool RemoveRow(const CContactDisplay* row);
    bool RemoveKind(ContactDisplayKind kind);
    bool SetMailCount(int count);
    bool Expand(ContactDisplayKind header);
    bool Collapse(ContactDisplayKind header);
    bool IsExpanded(ContactDisplayKind header) const;
    // Adds or removes the placeholders as the groups need them; refreshes nothing else.
    void RefreshList();

    // Shows only the contacts whose name or address holds `text`, without regard to case, in
    // both groups whatever their headers' state; a group without a match shows
    // kNoMatchLabel. Headers neither expand nor collapse meanwhile. An empty text shows the
    // list as before. False when the filter stays as it was.
    bool SetFilter(const std::u16string& text);
    bool Filtering() const { return !m_filter.empty(); }
    const std::u16string& FilterText() const { return m_filter; } // folded
    // Whether a row passes the filter (every row that is not a contact does).
    bool Matches(const CContactDisplay& row) const;
    // The first shown contact: an online match before any offline one. Null for none.
    const CContactDisplay* FirstShownContact() const;

    CContactDisplay* FindByEmail(const std::u16string& email) const
    {
        return m_model.FindByEmail(email);
    }
    CContactDisplay* FindByKind(ContactDisplayKind kind) const { return m_model.FindByKind(kind); }
    std::unique_ptr<CContactDisplayList> CopyContacts(bool includeOffline) const
    {
        return m_model.CopyContacts(includeOffline);
    }
    const CContactDisplayList& Model() const { return m_model; }
    int MailCount() const { return m_mailCount; }

    // The shown rows, in display order.
    int ShownCount() const { return static_cast<int>(m_shown.size()); }
    const CContactDisplay* ShownAt(int index) const;
    int ShownIndexOf(const CContactDisplay* row) const; // -1 when not shown
    ContactImage ImageOf(const CContactDisplay& row) const;

    // Deletes every row; a flat list stays flat.
    void Clear();

private:
    // Whether the row belongs in the shown sequence: always in a flat list, else by its group,
    // or while filtering by its match (its group's header still has to be there).
    bool Visible(const CContactDisplay& row) const;
    bool KindVisible(ContactDisplayKind kind) const;
    bool HasMatch(ContactDisplayKind contact) const;
    // Builds the placeholders and the shown sequence afresh, announced as one reset.
    void Rebuild();
    bool Show(CContactDisplay* row);
    void Hide(int index);
    bool RemoveModelRow(CContactDisplay* row);
    bool PlaceholderNeeded(ContactDisplayKind header, ContactDisplayKind contact,
                           ContactDisplayKind placeholder, const char16_t* label);
    // The range [first, last) of shown rows of a group's two kinds.
    std::pair<int, int> ShownGroupRange(ContactDisplayKind header) const;

    CContactDisplayList m_model;
    std::vector<CContactDisplay*> m_shown; // always in RowLess order
    ShownRowsObserver* m_observer = nullptr;
    OwnAbilities m_own;
    std::u16string m_filter; // folded for search
    int m_mailCount = 0;
    bool m_flat = false;
};

} // namespace zep::contacts
