#include "protocol/reply_records.h"

#include "protocol/fields.h"
#include "protocol/utf_text.h"

#include <charconv>
#include <vector>

namespace zep {

namespace {

// Decimal, as the server writes ids and limits; anything unreadable is 0.
std::int32_t ToInt(std::string_view text)
{
    std::int32_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::string Decoded(std::string_view text, std::size_t capacity)
{
    std::string out = FormDecoded(text);
    CutToCapacity(out, capacity);
    return out;
}

// Reply lines carry a "250-" style prefix of four characters before the record.
std::string_view SkipCode(std::string_view line)
{
    return line.size() >= 4 ? line.substr(4) : std::string_view();
}

} // namespace

bool ParseLogonLine(std::string_view line, ContactRecordUtf8& own)
{
    std::vector<std::string> f;
    int count = 0;
    if (SplitFields(SkipCode(line), ":", 20, true, f, count) != ImResult::Ok || count < 15)
        return false;
    ContactRecordUtf8 r;
    r.id = ToInt(f[0]);
    r.name = Decoded(f[1], kNameSize);
    r.email = Decoded(f[2], kEmailSize);
    r.workMobile = Decoded(f[3], kPhoneSize);
    r.homeMobile = Decoded(f[4], kPhoneSize);
    r.workPager = Decoded(f[5], kPhoneSize);
    PresenceStatusFromWord(f[6], r.status);
    SubStatusFromWord(f[7], r.subStatus);
    r.accountFlags.enterSendsMessage = f[8] == "1";
    r.accountFlags.smsAllowed = f[9] == "1";
    r.accountFlags.pagerAllowed = f[10] == "1";
    r.accountText = f[11];
    CutToCapacity(r.accountText, kAccountTextSize);
    r.dateFormat = Decoded(f[12], kDateFormatSize);
    r.accountFlags.smsLimit = ToInt(f[13]);
    r.accountFlags.pagerLimit = ToInt(f[14]);
    ApplyDisplayNameRule(r);
    own = std::move(r);
    return true;
}

bool ParseUserLine(std::string_view line, ContactRecordUtf8& record)
{
    std::vector<std::string> f;
    int count = 0;
    if (SplitFields(line, ":", 10, true, f, count) != ImResult::Ok || count != 3)
        return false;
    ContactRecordUtf8 r;
    r.id = ToInt(f[0]);
    r.name = Decoded(f[1], kNameSize);
    r.email = Decoded(f[2], kEmailSize);
    ApplyDisplayNameRule(r);
    record = std::move(r);
    return true;
}

bool ParsePresenceLine(std::string_view line, ContactRecordUtf8& presence)
{
    std::vector<std::string> f;
    int count = 0;
    if (SplitFields(SkipCode(line), ":", 20, true, f, count) != ImResult::Ok || count != 16)
        return false;
    ContactRecordUtf8 p;
    p.email = Decoded(f[0], kEmailSize);
    PresenceStatusFromWord(f[1], p.status);
    SubStatusFromWord(f[2], p.subStatus);
    p.customStatus = Decoded(f[3], kCustomStatusSize);
    EmailStateFromWord(FormDecoded(f[4]), p.emailState);
    p.emailMethod = Decoded(f[5], kEmailMethodSize);
    p.emailTime = ParseEmailTime(FormDecoded(f[6]));
    ContactMethodFromWord(FormDecoded(f[7]), p.contactMethod);
    std::string* phones[] = {&p.homeTel,    &p.homeMobile, &p.homeFax, &p.workTel,
                             &p.workMobile, &p.workPager,  &p.workFax};
    for (int i = 0; i < 7; ++i)
        *phones[i] = Decoded(f[8 + i], kPhoneSize);
    p.location = Decoded(f[15], kLocationSize);
    presence = std::move(p);
    return true;
}

void CopyPresence(const ContactRecordUtf8& p, ContactRecordUtf8& r)
{
    CopyPresenceFields(p, r);
}

} // namespace zep
