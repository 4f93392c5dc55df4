#include "protocol/server_event.h"

#include "protocol/utf_text.h"
#include "protocol/vocabulary.h"

namespace zep {

namespace {

char16_t Lower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// The 8-bit copy that dates are parsed from; anything beyond Latin-1 cannot be a digit.
std::string EightBit(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text)
        out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return out;
}

} // namespace

ServerEvent ServerEventFromLines(const LineList& lines)
{
    ServerEvent event;
    event.lines.reserve(lines.Size());
    for (const std::string& line : lines)
        event.lines.push_back(Utf8ToUtf16Lenient(line));
    return event;
}

EventKind ServerEventKind(const ServerEvent& event)
{
    if (event.lines.empty())
        return EventKind::Unknown;
    static constexpr std::pair<std::u16string_view, EventKind> kNames[] = {
        {u"PRESENCE", EventKind::Presence}, {u"SESSION TIMEOUT", EventKind::SessionTimeout},
        {u"SESSION", EventKind::Session},   {u"MESSAGE", EventKind::Message},
        {u"LOGOFF", EventKind::Logoff},     {u"NEW MAIL", EventKind::NewMail}};
    for (const auto& [name, kind] : kNames)
        if (EqualsNoCase(event.lines.front(), name))
            return kind;
    return EventKind::Unknown;
}

std::u16string HeaderValue(const ServerEvent& event, std::u16string_view name,
                           std::size_t bufferSize)
{
    std::u16string key(name);
    key.append(u": ");
    for (const std::u16string& line : event.lines) {
        if (line.size() >= key.size() &&
            EqualsNoCase(std::u16string_view(line).substr(0, key.size()), key)) {
            std::u16string value = line.substr(key.size());
            CutToCapacity(value, bufferSize);
            return value;
        }
    }
    return {};
}

PresenceUpdate ReadPresence(const ServerEvent& event)
{
    PresenceUpdate update;
    ContactRecord& f = update.fields;
    update.email = HeaderValue(event, u"Email", 256);
    PresenceStatusFromWord(HeaderValue(event, u"Status", 1024), f.status);
    SubStatusFromWord(HeaderValue(event, u"SubStatus", 1024), f.subStatus);
    f.customStatus = HeaderValue(event, u"CustomStatus", kCustomStatusSize);
    EmailStateFromWord(HeaderValue(event, u"EmailState", 1024), f.emailState);
    f.emailMethod = HeaderValue(event, u"EmailMethod", kEmailMethodSize);
    f.emailTime = ParseEmailTime(EightBit(HeaderValue(event, u"EmailTime", 1024)));
    ContactMethodFromWord(HeaderValue(event, u"ContactMethod", 1024), f.contactMethod);
    f.homeTel = HeaderValue(event, u"HomeTel", kPhoneSize);
    f.homeMobile = HeaderValue(event, u"HomeMobile", kPhoneSize);
    f.homeFax = HeaderValue(event, u"HomeFax", kPhoneSize);
    f.workTel = HeaderValue(event, u"WorkTel", kPhoneSize);
    f.workMobile = HeaderValue(event, u"WorkMobile", kPhoneSize);
    f.workPager = HeaderValue(event, u"WorkPager", kPhoneSize);
    f.workFax = HeaderValue(event, u"WorkFax", kPhoneSize);
    f.location = HeaderValue(event, u"Location", kLocationSize);
    f.email = update.email;
    return update;
}

void ApplyPresence(const PresenceUpdate& update, ContactRecord& r)
{
    CopyPresenceFields(update.fields, r);
}

} // namespace zep
