#include "contacts/contact_list_engine.h"

#include "protocol/ui_text.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zep::contacts {

namespace {

bool Less(const CContactDisplay* a, const CContactDisplay* b)
{
    return RowLess(*a, *b);
}

ContactDisplayKind Next(ContactDisplayKind kind, int by)
{
    return static_cast<ContactDisplayKind>(static_cast<int>(kind) + by);
}

bool InGroup(ContactDisplayKind header, ContactDisplayKind kind)
{
    return kind == Next(header, 1) || kind == Next(header, 2);
}

bool IsHeader(ContactDisplayKind kind)
{
    return kind == ContactDisplayKind::OnlineHeader || kind == ContactDisplayKind::OfflineHeader;
}

bool IsPlaceholder(ContactDisplayKind kind)
{
    return kind == ContactDisplayKind::OnlinePlaceholder ||
           kind == ContactDisplayKind::OfflinePlaceholder;
}

} // namespace

void ContactListEngine::SetOwnAbilities(const OwnAbilities& own)
{
    m_own = own;
    for (int i = 0; i < ShownCount(); ++i) {
        if (m_shown[i]->Kind == ContactDisplayKind::OfflineContact && m_observer)
            m_observer->RowChanged(i);
    }
}

ContactImage ContactListEngine::ImageOf(const CContactDisplay& row) const
{
    // While filtering both groups are open, whatever their headers keep for later.
    if (Filtering() && IsHeader(row.Kind))
        return ContactImage::HeaderExpanded;
    return ChooseImage(row, m_own, m_mailCount);
}

bool ContactListEngine::Matches(const CContactDisplay& row) const
{
    return !Filtering() || !row.IsContact() || ContainsFolded(row.Contact.name, m_filter) ||
           ContainsFolded(row.Contact.email, m_filter);
}

bool ContactListEngine::KindVisible(ContactDisplayKind kind) const
{
    if (m_flat)
        return true;
    if (!Filtering())
        return m_model.IsShownKind(kind);
    const ContactDisplayKind header = GroupHeaderOf(kind);
    return header == ContactDisplayKind::InfoRow || m_model.HasKind(header);
}

bool ContactListEngine::Visible(const CContactDisplay& row) const
{
    return KindVisible(row.Kind) && (m_flat || Matches(row));
}

bool ContactListEngine::HasMatch(ContactDisplayKind contact) const
{
    if (!Filtering())
        return m_model.HasKind(contact);
    for (const auto& r : m_model) {
        if (r->Kind == contact && Matches(*r))
            return true;
    }
    return false;
}

bool ContactListEngine::SetFilter(const std::u16string& text)
{
    std::u16string folded = FoldForSearch(text);
    if (folded == m_filter)
        return false;
    m_filter = std::move(folded);
    Rebuild();
    return true;
}

void ContactListEngine::Rebuild()
{
    if (m_observer)
        m_observer->BeginReset();
    // The placeholders change with the filter; the sequence is built afresh after them.
    ShownRowsObserver* observer = std::exchange(m_observer, nullptr);
    RefreshList();
    m_observer = observer;
    // Looking a header up walks the model, so it is done once per kind, not once per row.
    std::array<bool, static_cast<std::size_t>(ContactDisplayKind::OfflineContact) + 1> kinds{};
    for (std::size_t k = 0; k < kinds.size(); ++k)
        kinds[k] = KindVisible(static_cast<ContactDisplayKind>(k));
    m_shown.clear();
    for (CContactDisplay* row : m_model.Sorted()) {
        if (kinds[static_cast<std::size_t>(row->Kind)] && (m_flat || Matches(*row)))
            m_shown.push_back(row);
    }
    if (m_observer)
        m_observer->EndReset();
}

const CContactDisplay* ContactListEngine::FirstShownContact() const
{
    const auto it = std::find_if(m_shown.begin(), m_shown.end(),
                                 [](const CContactDisplay* row) { return row->IsContact(); });
    return it == m_shown.end() ? nullptr : *it;
}

bool ContactListEngine::SetFlat(bool flat)
{
    if (flat == m_flat)
        return true;
    if (!m_model.Empty())
        return false;
    m_flat = flat;
    return true;
}

const CContactDisplay* ContactListEngine::ShownAt(int index) const
{
    if (index < 0 || index >= ShownCount())
        return nullptr;
    return m_shown[static_cast<std::size_t>(index)];
}

int ContactListEngine::ShownIndexOf(const CContactDisplay* row) const
{
    if (row == nullptr)
        return -1;
    auto it = std::lower_bound(m_shown.begin(), m_shown.end(), row, Less);
    for (; it != m_shown.end() && !Less(row, *it); ++it) {
        if (*it == row)
            return static_cast<int>(it - m_shown.begin());
    }
    return -1;
}

bool ContactListEngine::Show(CContactDisplay* row)
{
    const auto it = std::upper_bound(m_shown.begin(), m_shown.end(), row, Less);
    const int at = static_cast<int>(it - m_shown.begin());
    if (m_observer)
        m_observer->BeginInsertRows(at, at);
    m_shown.insert(it, row);
    if (m_observer)
        m_observer->EndInsertRows();
    return true;
}

void ContactListEngine::Hide(int index)
{
    if (m_observer)
        m_observer->BeginRemoveRows(index, index);
    m_shown.erase(m_shown.begin() + index);
    if (m_observer)
        m_observer->EndRemoveRows();
}

std::pair<int, int> ContactListEngine::ShownGroupRange(ContactDisplayKind header) const
{
    const int low = static_cast<int>(header) + 1;
    const int high = static_cast<int>(header) + 2;
    const auto first =
        std::partition_point(m_shown.begin(), m_shown.end(), [&](const CContactDisplay* r) {
            return static_cast<int>(r->Kind) < low;
        });
    const auto last = std::partition_point(first, m_shown.end(), [&](const CContactDisplay* r) {
        return static_cast<int>(r->Kind) <= high;
    });
    return {static_cast<int>(first - m_shown.begin()), static_cast<int>(last - m_shown.begin())};
}

bool ContactListEngine::AddRow(ContactDisplayKind kind, int indent, const std::u16string& label,
                               const ContactRecord* record, bool refresh)
{
    CContactDisplay row;
    if (record != nullptr)
        row.Contact = *record;
    row.Indent = indent;
    row.Label = label;
    row.Kind = kind;
    row.Flags = kExpanded;
    return AddDisplay(row, refresh);
}

bool ContactListEngine::AddDisplay(const CContactDisplay& source, bool refresh)
{
    if (m_flat && (IsHeader(source.Kind) || IsPlaceholder(source.Kind)))
        return false;
    const bool firstHeader = IsHeader(source.Kind) && !m_model.HasKind(source.Kind);
    CContactDisplay* row = m_model.Add(source);
    if (Visible(*row))
        Show(row);
    // A header that arrives after its rows brings them into view.
    if (firstHeader && Filtering()) {
        Rebuild();
    } else if (firstHeader && row->Expanded()) {
        row->Flags &= ~kExpanded;
        if (ShownIndexOf(row) >= 0 && !Expand(row->Kind))
            row->Flags |= kExpanded;
    }
    if (refresh)
        RefreshList();
    return true;
}

bool ContactListEngine::UpdateContact(const std::u16string& email, const CContactDisplay& from)
{
    CContactDisplay* row = m_model.FindByEmail(email);
    if (row == nullptr || (m_flat && (IsHeader(from.Kind) || IsPlaceholder(from.Kind))))
        return false;
    // The position is looked up with the old sort keys, before they change.
    const int was = ShownIndexOf(row);
    m_model.Update(row, from);
    const bool shown = Visible(*row);
    if (was >= 0) {
        const std::size_t i = static_cast<std::size_t>(was);
        const bool inPlace = (i == 0 || !Less(row, m_shown[i - 1])) &&
                             (i + 1 == m_shown.size() || !Less(m_shown[i + 1], row));
        if (shown && inPlace) {
            if (m_observer)
                m_observer->RowChanged(was);
        } else {
            Hide(was);
            if (shown)
                Show(row);
        }
    } else if (shown) {
        Show(row);
    }
    RefreshList();
    return true;
}

bool ContactListEngine::RemoveModelRow(CContactDisplay* row)
{
    if (row == nullptr)
        return false;
    if (IsHeader(row->Kind) && m_model.FindByKind(row->Kind) == row) {
        // Without its header a group's rows are no longer shown.
        const auto [first, last] = ShownGroupRange(row->Kind);
        if (last > first) {
            if (m_observer)
                m_observer->BeginRemoveRows(first, last - 1);
            m_shown.erase(m_shown.begin() + first, m_shown.begin() + last);
            if (m_observer)
                m_observer->EndRemoveRows();
        }
    }
    const int at = ShownIndexOf(row);
    if (at >= 0)
        Hide(at);
    return m_model.Remove(row);
}

bool ContactListEngine::RemoveContact(const std::u16string& email)
{
    CContactDisplay* row = m_model.FindByEmail(email);
    if (row == nullptr)
        return false;
    RemoveModelRow(row);
    RefreshList();
    return true;
}

bool ContactListEngine::RemoveRow(const CContactDisplay* row)
{
    CContactDisplay* own = nullptr;
    for (const auto& r : m_model) {
        if (r.get() == row) {
            own = r.get();
            break;
        }
    }
    if (own == nullptr)
        return false;
    RemoveModelRow(own);
    RefreshList();
    return true;
}

bool ContactListEngine::RemoveKind(ContactDisplayKind kind)
{
    if (!RemoveModelRow(m_model.FindByKind(kind)))
        return false;
    RefreshList();
    return true;
}

bool ContactListEngine::SetMailCount(int count)
{
    CContactDisplay* row = m_model.FindByKind(ContactDisplayKind::MailNotice);
    if (row == nullptr)
        return false;
    m_mailCount = count;
    row->Label = MailNoticeLabel(count);
    const int at = ShownIndexOf(row);
    if (at >= 0 && m_observer)
        m_observer->RowChanged(at);
    return true;
}

bool ContactListEngine::Expand(ContactDisplayKind header)
{
    if (!IsHeader(header) || Filtering())
        return false;
    CContactDisplay* h = m_model.FindByKind(header);
    const int at = ShownIndexOf(h);
    if (at < 0 || h->Expanded())
        return false;
    h->Flags |= kExpanded;
    if (m_observer)
        m_observer->RowChanged(at);
    std::vector<CContactDisplay*> rows;
    for (const auto& r : m_model) {
        if (InGroup(header, r->Kind))
            rows.push_back(r.get());
    }
    if (rows.empty())
        return true;
    std::stable_sort(rows.begin(), rows.end(), Less);
    // Nothing of the group is shown, so its rows go in as one block.
    const int first = ShownGroupRange(header).first;
    if (m_observer)
        m_observer->BeginInsertRows(first, first + static_cast<int>(rows.size()) - 1);
    m_shown.insert(m_shown.begin() + first, rows.begin(), rows.end());
    if (m_observer)
        m_observer->EndInsertRows();
    RefreshList();
    return true;
}

bool ContactListEngine::Collapse(ContactDisplayKind header)
{
    if (!IsHeader(header) || Filtering())
        return false;
    CContactDisplay* h = m_model.FindByKind(header);
    const int at = ShownIndexOf(h);
    if (at < 0 || !h->Expanded())
        return false;
    h->Flags &= ~kExpanded;
    if (m_observer)
        m_observer->RowChanged(at);
    const auto [first, last] = ShownGroupRange(header);
    if (last > first) {
        if (m_observer)
            m_observer->BeginRemoveRows(first, last - 1);
        m_shown.erase(m_shown.begin() + first, m_shown.begin() + last);
        if (m_observer)
            m_observer->EndRemoveRows();
    }
    return true;
}

bool ContactListEngine::IsExpanded(ContactDisplayKind header) const
{
    const CContactDisplay* h = m_model.FindByKind(header);
    return h != nullptr && h->Expanded();
}

bool ContactListEngine::PlaceholderNeeded(ContactDisplayKind header, ContactDisplayKind contact,
                                          ContactDisplayKind placeholder, const char16_t* label)
{
    if (!m_model.HasKind(header))
        return false;
    const bool hasContact = HasMatch(contact);
    const std::u16string text = UiText(Filtering() ? kNoMatchLabel : label);
    CContactDisplay* existing = m_model.FindByKind(placeholder);
    if (hasContact && existing != nullptr)
        return RemoveModelRow(existing);
    if (!hasContact && existing == nullptr) {
        CContactDisplay row;
        row.Indent = 1;
        row.Label = text;
        row.Kind = placeholder;
        CContactDisplay* added = m_model.Add(row);
        if (Visible(*added))
            Show(added);
        return true;
    }
    if (existing != nullptr && existing->Label != text) {
        existing->Label = text;
        if (const int at = ShownIndexOf(existing); at >= 0 && m_observer)
            m_observer->RowChanged(at);
    }
    return false;
}

void ContactListEngine::RefreshList()
{
    if (m_flat)
        return;
    PlaceholderNeeded(ContactDisplayKind::OnlineHeader, ContactDisplayKind::OnlineContact,
                      ContactDisplayKind::OnlinePlaceholder, kOnlinePlaceholderLabel);
    PlaceholderNeeded(ContactDisplayKind::OfflineHeader, ContactDisplayKind::OfflineContact,
                      ContactDisplayKind::OfflinePlaceholder, kOfflinePlaceholderLabel);
}

void ContactListEngine::Clear()
{
    if (!m_shown.empty()) {
        if (m_observer)
            m_observer->BeginRemoveRows(0, ShownCount() - 1);
        m_shown.clear();
        if (m_observer)
            m_observer->EndRemoveRows();
    }
    m_model.Clear();
    m_mailCount = 0;
}

} // namespace zep::contacts
