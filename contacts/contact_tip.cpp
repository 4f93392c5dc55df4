#include "contacts/contact_tip.h"

namespace zep::contacts {

namespace {

std::u16string Line(const char16_t* caption, const std::u16string& value)
{
    return std::u16string(caption) + u": " + value;
}

std::u16string Fill2(std::u16string pattern, const std::u16string& first,
                     const std::u16string& second)
{
    const auto a = pattern.find(u"%s");
    if (a == std::u16string::npos)
        return pattern;
    pattern.replace(a, 2, first);
    const auto b = pattern.find(u"%s", a + first.size());
    if (b != std::u16string::npos)
        pattern.replace(b, 2, second);
    return pattern;
}

} // namespace

std::u16string ContactMethodLabel(ContactMethod method)
{
    switch (method) {
    case ContactMethod::Email:
        return u"Email";
    case ContactMethod::HomeSms:
        return u"Home SMS";
    case ContactMethod::WorkSms:
        return u"Work SMS";
    case ContactMethod::WorkPager:
        return u"Work Pager";
    case ContactMethod::HomePhone:
        return u"Home Tel";
    case ContactMethod::WorkPhone:
        return u"Work Tel";
    case ContactMethod::HomeMobile:
        return u"Home Mobile";
    case ContactMethod::WorkMobile:
        return u"Work Mobile";
    case ContactMethod::HomeFax:
        return u"Home Fax";
    case ContactMethod::WorkFax:
        return u"Work Fax";
    default:
        return {};
    }
}

std::u16string ContactMethodNumber(const ContactRecord& r)
{
    switch (r.contactMethod) {
    case ContactMethod::HomeSms:
    case ContactMethod::HomeMobile:
        return r.homeMobile;
    case ContactMethod::WorkSms:
    case ContactMethod::WorkMobile:
        return r.workMobile;
    case ContactMethod::WorkPager:
        return r.workPager;
    case ContactMethod::HomePhone:
        return r.homeTel;
    case ContactMethod::WorkPhone:
        return r.workTel;
    case ContactMethod::HomeFax:
        return r.homeFax;
    case ContactMethod::WorkFax:
        return r.workFax;
    default:
        return {};
    }
}

std::u16string ContactTip(const ContactRecord& r, const std::u16string& dateFormat,
                          const DateNameTexts& names)
{
    std::u16string tip = Line(u"Email", r.email);
    if (r.emailState != EmailState::None) {
        const char16_t* pattern =
            r.emailState == EmailState::On ? u"Logged in to %s at %s" : u"Logged off %s at %s";
        tip += u"\r\n" + Line(u"Details", Fill2(pattern, r.emailMethod,
                                                FormatTime(r.emailTime, dateFormat, names)));
    }
    if (r.status == PresenceStatus::Unavailable && r.contactMethod != ContactMethod::None) {
        std::u16string method = ContactMethodLabel(r.contactMethod);
        const std::u16string number = ContactMethodNumber(r);
        if (!number.empty())
            method += u" (" + number + u")";
        tip += u"\r\n" + Line(u"Contact By", method);
    }
    if (r.status == PresenceStatus::Available && !r.location.empty())
        tip += u"\r\n" + Line(u"Location", r.location);
    if (!r.customStatus.empty())
        tip += u"\r\n" + Line(u"Custom Status", r.customStatus);
    return tip;
}

std::u16string RowTip(const CContactDisplay& row, const std::u16string& dateFormat,
                      const DateNameTexts& names)
{
    switch (row.Kind) {
    case ContactDisplayKind::MailNotice:
        return kReadMailTip;
    case ContactDisplayKind::OnlinePlaceholder:
    case ContactDisplayKind::OfflinePlaceholder:
        return kAddContactTip;
    case ContactDisplayKind::OnlineContact:
    case ContactDisplayKind::OfflineContact:
        return ContactTip(row.Contact, dateFormat, names);
    default:
        return {};
    }
}

std::u16string InfoTipText(const CContactDisplay& row, bool labelCutOff,
                           const std::u16string& dateFormat, std::size_t capacity,
                           const DateNameTexts& names)
{
    std::u16string tip = RowTip(row, dateFormat, names);
    if (labelCutOff)
        tip = tip.empty() ? row.Label : row.Label + u"\r\n" + tip;
    return Cut(std::move(tip), capacity);
}

} // namespace zep::contacts
