#include "contacts/contact_display.h"

#include "protocol/ui_text.h"

#include <string>

namespace zep::contacts {

namespace {

char16_t FoldChar(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 32);
    // Latin-1 capitals, except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<char16_t>(c + 32);
    return c;
}

char16_t FoldCharForSearch(char16_t c)
{
    if (c < 0x100)
        return FoldChar(c);
    // Latin Extended-A pairs capitals and small letters as even/odd, then odd/even.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return static_cast<char16_t>(c | 1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) // Greek capitals
        return static_cast<char16_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F) // Cyrillic capitals
        return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<char16_t>(c + 80);
    return c;
}

bool IsAwayFamily(SubStatus s)
{
    return s == SubStatus::TemporarilyAway || s == SubStatus::ExtendedAway || s == SubStatus::Lunch;
}

bool IsBusyFamily(SubStatus s)
{
    return s == SubStatus::DoNotDisturb || s == SubStatus::Phone || s == SubStatus::Meeting;
}

} // namespace

OwnAbilities OwnAbilities::FromRecord(const ContactRecord& own)
{
    OwnAbilities a;
    a.smsAllowed = own.accountFlags.smsAllowed;
    a.pagerAllowed = own.accountFlags.pagerAllowed;
    a.hasMobile = !own.homeMobile.empty() || !own.workMobile.empty();
    a.hasPager = !own.workPager.empty();
    return a;
}

std::u16string SubStatusLabel(SubStatus value)
{
    switch (value) {
    case SubStatus::TemporarilyAway:
        return UiText(u"Back soon");
    case SubStatus::ExtendedAway:
        return UiText(u"Away");
    case SubStatus::DoNotDisturb:
        return UiText(u"Do not disturb");
    case SubStatus::Phone:
        return UiText(u"Phone");
    case SubStatus::Lunch:
        return UiText(u"Lunch");
    case SubStatus::Meeting:
        return UiText(u"Meeting");
    default:
        return {};
    }
}

std::u16string ContactLabel(const ContactRecord& record)
{
    const std::u16string sub = SubStatusLabel(record.subStatus);
    if (sub.empty())
        return record.name;
    return record.name + u" (" + sub + u")";
}

std::u16string SearchResultLabel(const ContactRecord& user)
{
    return user.name + u" <" + user.email + u">";
}

std::u16string MailNoticeLabel(int count)
{
    if (count <= 0)
        return UiText(kNoMailLabel);
    std::u16string text = UiText(u"You have %1 recent email messages");
    if (const std::size_t at = text.find(u"%1"); at != std::u16string::npos) {
        const std::string number = std::to_string(count);
        text.replace(at, 2, std::u16string(number.begin(), number.end()));
    }
    return text;
}

ContactImage ChooseImage(const CContactDisplay& row, const OwnAbilities& own, int mailCount)
{
    switch (row.Kind) {
    case ContactDisplayKind::InfoRow:
        return ContactImage::Information;
    case ContactDisplayKind::MailNotice:
        return mailCount > 0 ? ContactImage::Mail : ContactImage::NoMail;
    case ContactDisplayKind::OnlineHeader:
    case ContactDisplayKind::OfflineHeader:
        return row.Expanded() ? ContactImage::HeaderExpanded : ContactImage::HeaderCollapsed;
    case ContactDisplayKind::OnlinePlaceholder:
    case ContactDisplayKind::OfflinePlaceholder:
        return ContactImage::Placeholder;
    case ContactDisplayKind::OnlineContact:
    case ContactDisplayKind::OfflineContact:
        break;
    }
    const ContactRecord& r = row.Contact;
    // The sub-status comes first, so an offline contact that still carries one shows it.
    if (IsAwayFamily(r.subStatus))
        return ContactImage::Away;
    if (IsBusyFamily(r.subStatus))
        return ContactImage::Busy;
    if (r.status == PresenceStatus::Unavailable) {
        const bool bySms = (r.contactMethod == ContactMethod::WorkSms && !r.workMobile.empty()) ||
                           (r.contactMethod == ContactMethod::HomeSms && !r.homeMobile.empty());
        if (own.smsAllowed && bySms)
            return own.hasMobile ? ContactImage::Sms : ContactImage::SmsUnavailable;
        if (own.pagerAllowed && r.contactMethod == ContactMethod::WorkPager && !r.workPager.empty())
            return own.hasPager ? ContactImage::Pager : ContactImage::PagerUnavailable;
        if (r.contactMethod == ContactMethod::Email)
            return ContactImage::Email;
    }
    return ContactImage::Contact;
}

ContactDisplayKind GroupHeaderOf(ContactDisplayKind kind)
{
    switch (kind) {
    case ContactDisplayKind::OnlinePlaceholder:
    case ContactDisplayKind::OnlineContact:
        return ContactDisplayKind::OnlineHeader;
    case ContactDisplayKind::OfflinePlaceholder:
    case ContactDisplayKind::OfflineContact:
        return ContactDisplayKind::OfflineHeader;
    default:
        return ContactDisplayKind::InfoRow;
    }
}

int CompareNoCase(const std::u16string& a, const std::u16string& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = FoldChar(a[i]);
        const char16_t y = FoldChar(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualNoCase(const std::u16string& a, const std::u16string& b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::u16string FoldCase(const std::u16string& text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        c = FoldChar(c);
    return out;
}

std::u16string FoldForSearch(const std::u16string& text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        c = FoldCharForSearch(c);
    return out;
}

bool ContainsFolded(const std::u16string& text, const std::u16string& folded)
{
    if (folded.size() > text.size())
        return false;
    const std::size_t last = text.size() - folded.size();
    for (std::size_t at = 0; at <= last; ++at) {
        std::size_t i = 0;
        while (i < folded.size() && FoldCharForSearch(text[at + i]) == folded[i])
            ++i;
        if (i == folded.size())
            return true;
    }
    return false;
}

bool RowLess(const CContactDisplay& a, const CContactDisplay& b)
{
    if (a.Kind != b.Kind)
        return static_cast<int>(a.Kind) < static_cast<int>(b.Kind);
    if (const int byName = CompareNoCase(a.Contact.name, b.Contact.name); byName != 0)
        return byName < 0;
    if (const int byEmail = CompareNoCase(a.Contact.email, b.Contact.email); byEmail != 0)
        return byEmail < 0;
    return a.Contact.email < b.Contact.email;
}

std::u16string Cut(std::u16string text, std::size_t capacity)
{
    if (capacity > 0 && text.size() > capacity - 1)
        text.resize(capacity - 1);
    return text;
}

} // namespace zep::contacts
