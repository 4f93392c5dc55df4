#include "conversations/offline_message.h"

#include "conversations/message_parts.h"
#include "protocol/requests.h"
#include "protocol/utf_text.h"

namespace zep::conversations {

namespace {

void AddIfKnown(std::vector<std::u16string>& list, const std::u16string& entry)
{
    if (!entry.empty())
        list.push_back(entry);
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xdc00 && c <= 0xdfff;
}

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xd800 && c <= 0xdbff;
}

bool IsTrimmed(char16_t c)
{
    return c == u' ' || c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029;
}

// The contact's mobile for SMS: the one it asked for while offline, when that one is known.
const std::u16string* PreferredMobile(const ContactRecord& contact)
{
    if (contact.status != PresenceStatus::Unavailable)
        return nullptr;
    const std::u16string* preferred = nullptr;
    if (contact.contactMethod == ContactMethod::WorkSms)
        preferred = &contact.workMobile;
    else if (contact.contactMethod == ContactMethod::HomeSms)
        preferred = &contact.homeMobile;
    return preferred != nullptr && !preferred->empty() ? preferred : nullptr;
}

} // namespace

OfflineKind OfflineKindFromNumber(int number)
{
    switch (number) {
    case static_cast<int>(OfflineKind::Sms):
        return OfflineKind::Sms;
    case static_cast<int>(OfflineKind::Pager):
        return OfflineKind::Pager;
    default:
        return OfflineKind::Email;
    }
}

OfflineRecipients FillRecipients(OfflineKind kind, const ContactRecord& own,
                                 const ContactRecord& contact)
{
    OfflineRecipients lists;
    switch (kind) {
    case OfflineKind::Email:
        AddIfKnown(lists.from, own.email);
        AddIfKnown(lists.to, contact.email);
        break;
    case OfflineKind::Sms:
        AddIfKnown(lists.from, own.workMobile);
        AddIfKnown(lists.from, own.homeMobile);
        if (const std::u16string* preferred = PreferredMobile(contact)) {
            lists.to.push_back(*preferred);
        } else {
            AddIfKnown(lists.to, contact.workMobile);
            AddIfKnown(lists.to, contact.homeMobile);
        }
        break;
    case OfflineKind::Pager:
        AddIfKnown(lists.from, own.workPager);
        AddIfKnown(lists.to, contact.workPager);
        break;
    }
    return lists;
}

std::u16string_view OfflineTitleWord(OfflineKind kind)
{
    switch (kind) {
    case OfflineKind::Sms:
        return u"SMS Message";
    case OfflineKind::Pager:
        return u"Pager Message";
    case OfflineKind::Email:
        break;
    }
    return u"Email Message";
}

std::u16string OfflineTitle(OfflineKind kind, const ContactRecord& contact)
{
    std::u16string title(OfflineTitleWord(kind));
    title.append(u" : ").append(contact.name);
    return title;
}

std::string_view OfflineTypeWord(OfflineKind kind)
{
    switch (kind) {
    case OfflineKind::Sms:
        return "sms";
    case OfflineKind::Pager:
        return "pager";
    case OfflineKind::Email:
        break;
    }
    return "email";
}

int CharacterLimit(OfflineKind kind, const ContactRecord& own)
{
    switch (kind) {
    case OfflineKind::Sms:
        return own.accountFlags.smsLimit;
    case OfflineKind::Pager:
        return own.accountFlags.pagerLimit;
    case OfflineKind::Email:
        break;
    }
    return 0;
}

std::size_t CountCharacters(std::u16string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // The second half of a pair belongs to the character already counted.
        if (i > 0 && IsLowSurrogate(text[i]) && IsHighSurrogate(text[i - 1]))
            continue;
        ++count;
    }
    return count;
}

std::u16string RemainingText(int limit, std::size_t count)
{
    if (limit <= 0)
        return {};
    const long long left = static_cast<long long>(limit) - static_cast<long long>(count);
    const std::string number = std::to_string(left >= 0 ? left : -left);
    std::u16string text(number.begin(), number.end());
    if (left < 0)
        text.append(u" too many");
    return text;
}

std::u16string_view TrimRightSpacesAndBreaks(std::u16string_view text)
{
    while (!text.empty() && IsTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

ImResult BuildOfflineMessage(const OfflineDraft& draft, OfflineMessage& out)
{
    const std::u16string_view text = TrimRightSpacesAndBreaks(draft.text);
    if (text.empty() || draft.from.empty() || draft.to.empty())
        return ImResult::BadArgument;

    std::string to;
    std::string from;
    std::string subject;
    if (!Utf16ToUtf8(draft.to, to) || !Utf16ToUtf8(draft.from, from) ||
        !Utf16ToUtf8(draft.subject, subject))
        return ImResult::ConversionFailed;

    std::string headers;
    ImResult result = ImHeaderLine("To", to, headers);
    if (result == ImResult::Ok)
        result = ImHeaderLine("From", from, headers);
    if (result == ImResult::Ok && draft.kind == OfflineKind::Email) {
        result = ImHeaderLine("Subject", subject, headers);
        headers.append("MIME-Version: 1.0\r\n");
        headers.append("Content-Type: text/plain; charset=\"utf-8\"\r\n");
    }
    if (result != ImResult::Ok)
        return result;

    out.type = OfflineTypeWord(draft.kind);
    out.headers = std::move(headers);
    out.body = OutgoingPlainText(text) + "\r\n";
    return ImResult::Ok;
}

} // namespace zep::conversations
