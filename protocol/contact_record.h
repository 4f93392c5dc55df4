#pragma once
// A contact or the user's own record: the UTF-8 wire form the requests fill, the UTF-16 form
// the user interface keeps, and the field-by-field conversion between them.

#include "common/im_result.h"
#include "protocol/vocabulary.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zep {

// Field capacities, terminator included: texts hold at most capacity - 1 bytes (UTF-8) or
// units (UTF-16), cut at a character boundary.
inline constexpr std::size_t kNameSize = 129;
inline constexpr std::size_t kEmailSize = 256;
inline constexpr std::size_t kCustomStatusSize = 128;
inline constexpr std::size_t kEmailMethodSize = 10;
inline constexpr std::size_t kPhoneSize = 33;
inline constexpr std::size_t kLocationSize = 1024;
inline constexpr std::size_t kAccountTextSize = 256;
inline constexpr std::size_t kDateFormatSize = 1024;

struct EmailDateTime
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const EmailDateTime&) const = default;
};

// "YYYY-MM-DD hh:mm:ss": each number is decimal and stops at the first non-digit; missing
// parts stay 0. Only the first 63 characters are read.
EmailDateTime ParseEmailTime(std::string_view text);

struct AccountFlags
{
    bool enterSendsMessage = false;
    bool smsAllowed = false;
    bool pagerAllowed = false;
    std::int32_t smsLimit = 0;   // characters of an SMS text; 0 or less: not counted
    std::int32_t pagerLimit = 0; // likewise for pager texts

    bool operator==(const AccountFlags&) const = default;
};

template <typename Text> struct BasicContactRecord
{
    std::int32_t id = 0;
    ListType type = ListType::Contact;
    Text name;
    Text email;
    PresenceStatus status = PresenceStatus::Unavailable;
    SubStatus subStatus = SubStatus::None;
    Text customStatus;
    EmailState emailState = EmailState::None;
    Text emailMethod;
    EmailDateTime emailTime;
    ContactMethod contactMethod = ContactMethod::None;
    Text homeTel;
    Text homeMobile;
    Text homeFax;
    Text workTel;
    Text workMobile;
    Text workPager;
    Text workFax;
    Text location;
    // The own record only (from the "LOGON" reply).
    AccountFlags accountFlags;
    Text accountText;
    Text dateFormat;

    bool operator==(const BasicContactRecord&) const = default;
};

using ContactRecordUtf8 = BasicContactRecord<std::string>;
using ContactRecord = BasicContactRecord<std::u16string>;

// Field by field; ConversionFailed (and `out` unchanged) when any text is not valid. Texts are
// cut to their capacities.
ImResult ToUtf16(const ContactRecordUtf8& in, ContactRecord& out);
ImResult ToUtf8(const ContactRecord& in, ContactRecordUtf8& out);

// Copies the fields a presence report carries (status through location) from `from` into
// `to`; identity, name and account fields stay.
template <typename Text>
void CopyPresenceFields(const BasicContactRecord<Text>& from, BasicContactRecord<Text>& to)
{
    to.status = from.status;
    to.subStatus = from.subStatus;
    to.customStatus = from.customStatus;
    to.emailState = from.emailState;
    to.emailMethod = from.emailMethod;
    to.emailTime = from.emailTime;
    to.contactMethod = from.contactMethod;
    to.homeTel = from.homeTel;
    to.homeMobile = from.homeMobile;
    to.homeFax = from.homeFax;
    to.workTel = from.workTel;
    to.workMobile = from.workMobile;
    to.workPager = from.workPager;
    to.workFax = from.workFax;
    to.location = from.location;
}

// Cuts every text of the record to its capacity.
void CutToCapacities(ContactRecordUtf8& record);

// The name part of an address ("jo.smith" of "jo.smith@example.com"); the whole text when it
// holds no "@".
std::string NameFromAddress(std::string_view address);
// A record that arrives without a display name takes the name part of its address.
void ApplyDisplayNameRule(ContactRecordUtf8& record);

} // namespace zep
