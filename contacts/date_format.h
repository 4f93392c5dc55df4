// Times in the contact tip: the user's date pattern (from the server) with day and month names
// from the display texts.
#pragma once

#include "protocol/contact_record.h"

#include <string>
#include <vector>

namespace zep::contacts {

// The five name texts; each is a list of space-separated words.
struct DateNameTexts
{
    std::u16string shortDays = u"Mon Tue Wed Thu Fri Sat Sun";
    std::u16string longDays = u"Monday Tuesday Wednesday Thursday Friday Saturday Sunday";
    std::u16string shortMonths = u"Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec";
    std::u16string longMonths =
        u"January February March April May June July August September October November "
        u"December";
    std::u16string amPm = u"AM PM";
};

inline constexpr std::size_t kMaxTimeText = 1024;

// 0 = Sunday .. 6 = Saturday.
int Weekday(int year, int month, int day);

// "%04d-%02d-%02d %02d:%02d:%02d".
std::u16string NumericTime(const EmailDateTime& t);

// Formats with the pattern when the names split into 7, 7, 12, 12 and 2 words and the date's
// month and day are in range; the numeric form otherwise. At most kMaxTimeText - 1 characters.
std::u16string FormatTime(const EmailDateTime& t, const std::u16string& pattern,
                          const DateNameTexts& names = {});

} // namespace zep::contacts
