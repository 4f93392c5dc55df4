#include "protocol/contact_record.h"

#include "protocol/utf_text.h"

#include <algorithm>

namespace zep {

namespace {

// Applies `f(field of a, field of b, capacity)` to every text field of two records.
template <typename A, typename B, typename F> bool ForEachText(A& a, B& b, F f)
{
    return f(a.name, b.name, kNameSize) && f(a.email, b.email, kEmailSize) &&
           f(a.customStatus, b.customStatus, kCustomStatusSize) &&
           f(a.emailMethod, b.emailMethod, kEmailMethodSize) &&
           f(a.homeTel, b.homeTel, kPhoneSize) && f(a.homeMobile, b.homeMobile, kPhoneSize) &&
           f(a.homeFax, b.homeFax, kPhoneSize) && f(a.workTel, b.workTel, kPhoneSize) &&
           f(a.workMobile, b.workMobile, kPhoneSize) && f(a.workPager, b.workPager, kPhoneSize) &&
           f(a.workFax, b.workFax, kPhoneSize) && f(a.location, b.location, kLocationSize) &&
           f(a.accountText, b.accountText, kAccountTextSize) &&
           f(a.dateFormat, b.dateFormat, kDateFormatSize);
}

template <typename A, typename B> void CopyScalars(const A& in, B& out)
{
    out.id = in.id;
    out.type = in.type;
    out.status = in.status;
    out.subStatus = in.subStatus;
    out.emailState = in.emailState;
    out.emailTime = in.emailTime;
    out.contactMethod = in.contactMethod;
    out.accountFlags = in.accountFlags;
}

// Reads decimal digits at `pos`; stops at the first non-digit. Digits past nine are skipped
// so that a long run cannot overflow.
int ReadNumber(std::string_view text, std::size_t& pos)
{
    int value = 0;
    int digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (digits++ < 9)
            value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return value;
}

} // namespace

EmailDateTime ParseEmailTime(std::string_view text)
{
    text = text.substr(0, std::min<std::size_t>(text.size(), 63));
    EmailDateTime t;
    int* parts[] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second};
    const char separators[] = {'-', '-', ' ', ':', ':'};
    std::size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        *parts[i] = ReadNumber(text, pos);
        if (i == 5 || pos >= text.size() || text[pos] != separators[i])
            break;
        ++pos;
    }
    return t;
}

ImResult ToUtf16(const ContactRecordUtf8& in, ContactRecord& out)
{
    ContactRecord converted;
    CopyScalars(in, converted);
    bool ok = ForEachText(in, converted,
                          [](const std::string& from, std::u16string& to, std::size_t capacity) {
                              if (!Utf8ToUtf16(from, to))
                                  return false;
                              CutToCapacity(to, capacity);
                              return true;
                          });
    if (!ok)
        return ImResult::ConversionFailed;
    out = std::move(converted);
    return ImResult::Ok;
}

ImResult ToUtf8(const ContactRecord& in, ContactRecordUtf8& out)
{
    ContactRecordUtf8 converted;
    CopyScalars(in, converted);
    bool ok = ForEachText(in, converted,
                          [](const std::u16string& from, std::string& to, std::size_t capacity) {
                              if (!Utf16ToUtf8(from, to))
                                  return false;
                              CutToCapacity(to, capacity);
                              return true;
                          });
    if (!ok)
        return ImResult::ConversionFailed;
    out = std::move(converted);
    return ImResult::Ok;
}

void CutToCapacities(ContactRecordUtf8& record)
{
    ForEachText(record, record, [](std::string& text, std::string&, std::size_t capacity) {
        CutToCapacity(text, capacity);
        return true;
    });
}

std::string NameFromAddress(std::string_view address)
{
    return std::string(address.substr(0, address.find('@')));
}

void ApplyDisplayNameRule(ContactRecordUtf8& record)
{
    if (record.name.empty()) {
        record.name = NameFromAddress(record.email);
        CutToCapacity(record.name, kNameSize);
    }
}

} // namespace zep
