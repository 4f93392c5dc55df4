// One row of the contact list and the rules that depend only on the row: its kind, label,
// image and place in the sort order.
#pragma once

#include "protocol/contact_record.h"

#include <cstdint>
#include <string>

namespace zep::contacts {

// The numeric order is also the display order.
enum class ContactDisplayKind : int
{
    InfoRow = 0,
    MailNotice = 1,
    OnlineHeader = 2,
    OnlinePlaceholder = 3,
    OnlineContact = 4,
    OfflineHeader = 5,
    OfflinePlaceholder = 6,
    OfflineContact = 7,
};

inline constexpr std::uint32_t kExpanded = 1u;

struct CContactDisplay
{
    ContactRecord Contact; // empty for rows that are not contacts
    int Indent = 0;
    std::u16string Label;
    ContactDisplayKind Kind = ContactDisplayKind::InfoRow;
    std::uint32_t Flags = kExpanded;

    bool Expanded() const { return (Flags & kExpanded) != 0; }
    bool IsContact() const
    {
        return Kind == ContactDisplayKind::OnlineContact ||
               Kind == ContactDisplayKind::OfflineContact;
    }
};

// The 14 images, in the order the control's image list holds them.
enum class ContactImage : int
{
    Contact = 0,
    HeaderCollapsed,
    HeaderExpanded,
    Away,
    Busy,
    Sms,
    SmsUnavailable,
    Pager,
    PagerUnavailable,
    Email,
    NoMail,
    Mail,
    Information,
    Placeholder,
};
inline constexpr int kContactImageCount = 14;

// What the user's own record allows, for the images of offline contacts.
struct OwnAbilities
{
    bool smsAllowed = false;
    bool pagerAllowed = false;
    bool hasMobile = false; // own HomeMobile or WorkMobile
    bool hasPager = false;  // own WorkPager

    static OwnAbilities FromRecord(const ContactRecord& own);
};

// Fixed texts of the list.
inline constexpr char16_t kOnlineLabel[] = u"Online";
inline constexpr char16_t kOfflineLabel[] = u"Offline";
inline constexpr char16_t kOnlinePlaceholderLabel[] = u"None of your contacts are online.";
inline constexpr char16_t kOfflinePlaceholderLabel[] = u"None of your contacts are offline.";
inline constexpr char16_t kNoMatchLabel[] = u"No matching contacts.";
inline constexpr char16_t kNoMailLabel[] = u"No recent email messages";
inline constexpr char16_t kAddContactTip[] = u"Double click here to add a contact.";
inline constexpr char16_t kReadMailTip[] = u"Double click here to read your email";

// "Back soon", "Away" ... for sub-states 1..6; empty otherwise.
std::u16string SubStatusLabel(SubStatus value);
// Name, or Name + " (" + sub-status label + ")".
std::u16string ContactLabel(const ContactRecord& record);
// Name + " <" + Email + ">": a user of the directory or of the block list.
std::u16string SearchResultLabel(const ContactRecord& user);
// "You have %d recent email messages", or the no-mail text for a count of 0 or less.
std::u16string MailNoticeLabel(int count);

// The image of a row; `mailCount` only matters for the mail notice.
ContactImage ChooseImage(const CContactDisplay& row, const OwnAbilities& own, int mailCount);

// The header kind whose Expanded bit decides whether a row of `kind` is shown, or InfoRow
// when rows of that kind are always shown.
ContactDisplayKind GroupHeaderOf(ContactDisplayKind kind);

// Display order: kind, then name without regard to case, then address, so equal names keep a
// stable order.
bool RowLess(const CContactDisplay& a, const CContactDisplay& b);

// Case-insensitive comparison of addresses and names (ASCII and Latin letters fold alike).
int CompareNoCase(const std::u16string& a, const std::u16string& b);
bool EqualNoCase(const std::u16string& a, const std::u16string& b);
std::u16string FoldCase(const std::u16string& text);
// Folds for a search, wider than FoldCase (also Greek, Cyrillic and Latin Extended-A), which
// keeps the sort order and address matching as they were.
std::u16string FoldForSearch(const std::u16string& text);
// Whether `text` holds `folded` (a FoldForSearch result) without regard to case.
bool ContainsFolded(const std::u16string& text, const std::u16string& folded);

// Cuts a text to a field's capacity (capacity - 1 characters).
std::u16string Cut(std::u16string text, std::size_t capacity);

} // namespace zep::contacts
