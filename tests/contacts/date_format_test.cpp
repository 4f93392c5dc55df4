// The tip's time text: pattern tokens, names, and the numeric fall-backs.
#include "contacts/date_format.h"
#include "test_rows.h"

#include <gtest/gtest.h>

namespace zep::contacts {
namespace {

using testing::A;
using testing::U;

// Monday 7 December 2026, 14:05:09.
const EmailDateTime kMonday{2026, 12, 7, 14, 5, 9};

struct TokenCase
{
    const char* pattern;
    EmailDateTime time;
    const char* expected;
};

class DateFormatTokens : public ::testing::TestWithParam<TokenCase>
{
};

TEST_P(DateFormatTokens, Formats)
{
    const TokenCase& c = GetParam();
    EXPECT_EQ(A(FormatTime(c.time, U(c.pattern))), c.expected) << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, DateFormatTokens,
    ::testing::Values(TokenCase{"dd/mm/yyyy hh:mi:ss", kMonday, "07/12/2026 14:05:09"},
                      TokenCase{"DD.MM.YY", kMonday, "07.12.26"},
                      TokenCase{"df, mmmm ddtt", kMonday, "Monday, December 07th"},
                      TokenCase{"dw mmm", kMonday, "Mon Dec"}, TokenCase{"dn", kMonday, "1"},
                      TokenCase{
                          "dn dw", {2026, 12, 6, 0, 0, 0}, "0 Sun"}, // Sunday is the seventh name
                      TokenCase{"h_:mi a_", kMonday, "02:05 PM"},
                      TokenCase{"h_:mi a_", {2026, 12, 7, 0, 30, 0}, "12:30 AM"},
                      TokenCase{"hh", {2026, 12, 7, 0, 30, 0}, "00"},
                      TokenCase{"tt", {2026, 12, 1, 0, 0, 0}, "st"},
                      TokenCase{"tt", {2026, 12, 2, 0, 0, 0}, "nd"},
                      TokenCase{"tt", {2026, 12, 13, 0, 0, 0}, "th"},
                      TokenCase{"tt", {2026, 12, 23, 0, 0, 0}, "rd"},
                      TokenCase{"v", kMonday, "2026-12-07T14:05:09Z"},
                      TokenCase{"r", kMonday, "Mon, 07 Dec 2026 14:05:09 -0000"},
                      TokenCase{"\\d\\a\\y: dd", kMonday, "day: 07"},
                      TokenCase{"miim-", kMonday, "05-"}, // all m and i letters belong to one token
                      TokenCase{"mimm", kMonday, "December"},
                      TokenCase{"\\D\\a\\t\\e: dd", kMonday, "Date: 07"},
                      TokenCase{"yyyyy", {2009, 1, 1, 0, 0, 0}, "2009"},
                      TokenCase{"y", {2009, 1, 1, 0, 0, 0}, "09"}));

// The pattern comes from the server: a token cut off by its end is copied, never read past.
INSTANTIATE_TEST_SUITE_P(
    CutOff, DateFormatTokens,
    ::testing::Values(TokenCase{"yyyy-d", kMonday, "2026-d"}, TokenCase{"hh:h", kMonday, "14:h"},
                      TokenCase{"a", kMonday, "a"}, TokenCase{"dd s", kMonday, "07 s"},
                      TokenCase{"t", kMonday, "t"}, TokenCase{"mm", kMonday, "12"},
                      TokenCase{"m", kMonday, "12"}, TokenCase{"mmm", kMonday, "Dec"},
                      TokenCase{"\\", kMonday, ""}, TokenCase{"", kMonday, ""}));

TEST(DateFormatFallback, NamesThatDoNotSplitRightGiveNumericForm)
{
    DateNameTexts names;
    names.shortMonths = u"Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov"; // eleven words
    EXPECT_EQ(A(FormatTime(kMonday, u"dw mmm", names)), "2026-12-07 14:05:09");
    names = DateNameTexts{};
    names.amPm = u"AM";
    EXPECT_EQ(A(FormatTime(kMonday, u"hh", names)), "2026-12-07 14:05:09");
    names = DateNameTexts{};
    names.longDays =
        u"  Monday Tuesday  Wednesday Thursday Friday Saturday Sunday "; // extra blanks
    EXPECT_EQ(A(FormatTime(kMonday, u"df", names)), "Monday");
}

TEST(DateFormatFallback, OutOfRangeDatesGiveNumericForm)
{
    EXPECT_EQ(A(FormatTime({2026, 13, 7, 1, 2, 3}, u"mmmm")), "2026-13-07 01:02:03");
    EXPECT_EQ(A(FormatTime({2026, 0, 7, 1, 2, 3}, u"mmm")), "2026-00-07 01:02:03");
    EXPECT_EQ(A(FormatTime({2026, 2, 0, 1, 2, 3}, u"df")), "2026-02-00 01:02:03");
    EXPECT_EQ(A(FormatTime({0, 0, 0, 0, 0, 0}, u"dw")), "0000-00-00 00:00:00");
}

TEST(DateFormatLimits, OutputIsCutToTheBuffer)
{
    std::u16string pattern(3000, u'v');
    const std::u16string out = FormatTime(kMonday, pattern);
    EXPECT_EQ(out.size(), kMaxTimeText - 1);
}

TEST(DateFormatWeekday, KnownDates)
{
    EXPECT_EQ(Weekday(2000, 1, 1), 6);  // Saturday
    EXPECT_EQ(Weekday(2024, 2, 29), 4); // Thursday
    EXPECT_EQ(Weekday(1970, 1, 1), 4);
}

} // namespace
} // namespace zep::contacts
