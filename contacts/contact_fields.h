// The client-side contact record the list works with: the UTF-16 form of a contact, or of the
// user's own record (which adds the account flags and the date format).
#pragma once

#include "protocol/vocabulary.h"

#include <cstdint>
#include <string>

namespace zep::contacts {

struct CalendarTime
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct Record
{
    std::int32_t Id = 0;
    zep::ListType Type = ListType::Contact;
    std::u16string Name;
    std::u16string Email;
    zep::PresenceStatus Status = PresenceStatus::Unavailable;
    zep::SubStatus SubStatus = zep::SubStatus::None;
    std::u16string CustomStatus;
    zep::EmailState EmailState = zep::EmailState::None;
    std::u16string EmailMethod;
    CalendarTime EmailTime;
    zep::ContactMethod ContactMethod = zep::ContactMethod::None;
    std::u16string HomeTel;
    std::u16string HomeMobile;
    std::u16string HomeFax;
    std::u16string WorkTel;
    std::u16string WorkMobile;
    std::u16string WorkPager;
    std::u16string WorkFax;
    std::u16string Location;
    // Own record only.
    bool EnterSendsMessage = false;
    bool SmsAllowed = false;
    bool PagerAllowed = false;
    std::int32_t SmsLimit = 0;
    std::int32_t PagerLimit = 0;
    std::u16string AccountText;
    std::u16string DateFormat;
};

// Field capacities in characters, terminator included; longer values are cut to capacity - 1.
namespace capacity {
inline constexpr std::size_t Name = 129;
inline constexpr std::size_t Email = 256;
inline constexpr std::size_t CustomStatus = 128;
inline constexpr std::size_t EmailMethod = 10;
inline constexpr std::size_t Phone = 33;
inline constexpr std::size_t Location = 1024;
inline constexpr std::size_t DateFormat = 1024;
} // namespace capacity

} // namespace zep::contacts
