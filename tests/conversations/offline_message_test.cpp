// Offline messages without their window: the lists by kind and contact method, the counter,
// and the exact bytes of the three MESSAGE types.
#include "conversations/offline_message.h"

#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

constexpr auto Email = OfflineKind::Email;
constexpr auto Sms = OfflineKind::Sms;
constexpr auto Pager = OfflineKind::Pager;

ContactRecord Own(std::u16string work, std::u16string home, std::u16string pager)
{
    ContactRecord own;
    own.email = u"me@x.test";
    own.workMobile = std::move(work);
    own.homeMobile = std::move(home);
    own.workPager = std::move(pager);
    return own;
}
const ContactRecord kOwn = Own(u"ow", u"oh", u"op");

std::u16string Joined(const std::vector<std::u16string>& entries)
{
    std::u16string out;
    for (const std::u16string& entry : entries)
        out += (out.empty() ? u"" : u",") + entry;
    return out;
}

struct ListsRow
{
    const char* name;
    OfflineKind kind;
    ContactRecord own;
    bool offline;
    ContactMethod method;
    std::u16string work, home, pager; // the contact's numbers
    std::u16string from, to;          // the lists, joined by ","
};

class Lists : public ::testing::TestWithParam<ListsRow>
{
};

TEST_P(Lists, ByKindAndContactMethod)
{
    const ListsRow& row = GetParam();
    ContactRecord contact;
    contact.email = u"bob@x.test";
    contact.status = row.offline ? PresenceStatus::Unavailable : PresenceStatus::Available;
    contact.contactMethod = row.method;
    contact.workMobile = row.work;
    contact.homeMobile = row.home;
    contact.workPager = row.pager;
    const OfflineRecipients lists = FillRecipients(row.kind, row.own, contact);
    EXPECT_EQ(Joined(lists.from), row.from);
    EXPECT_EQ(Joined(lists.to), row.to);
}

using M = ContactMethod;
const ContactRecord kHomeOnly = Own(u"", u"oh", u"");
const ContactRecord kPagerOnly = Own(u"", u"", u"op");
const ContactRecord kNoPager = Own(u"ow", u"oh", u"");
// clang-format off
const ListsRow kListsRows[] = {
    // name             kind   own         offline method      work  home  pager  from   to
    {"EmailAddresses",  Email, kOwn,       true,  M::Email,     u"w", u"h", u"",  u"me@x.test",
                                                                                  u"bob@x.test"},
    {"OfflineWorkSms",  Sms,   kOwn,       true,  M::WorkSms,   u"w", u"h", u"",  u"ow,oh", u"w"},
    {"OfflineHomeSms",  Sms,   kOwn,       true,  M::HomeSms,   u"w", u"h", u"",  u"ow,oh", u"h"},
    {"OnlineWorkSms",   Sms,   kOwn,       false, M::WorkSms,   u"w", u"h", u"",  u"ow,oh", u"w,h"},
    {"EmptyWorkSms",    Sms,   kOwn,       true,  M::WorkSms,   u"",  u"h", u"",  u"ow,oh", u"h"},
    {"EmptyHomeSms",    Sms,   kOwn,       true,  M::HomeSms,   u"w", u"",  u"",  u"ow,oh", u"w"},
    {"NoMobiles",       Sms,   kOwn,       true,  M::WorkSms,   u"",  u"",  u"",  u"ow,oh", u""},
    {"OtherMethod",     Sms,   kHomeOnly,  true,  M::WorkPager, u"",  u"h", u"",  u"oh",    u"h"},
    {"NoOwnMobile",     Sms,   kPagerOnly, true,  M::WorkSms,   u"w", u"",  u"",  u"",      u"w"},
    {"PagerNumbers",    Pager, kOwn,       true,  M::WorkPager, u"",  u"",  u"p", u"op",    u"p"},
    {"NoContactPager",  Pager, kOwn,       true,  M::WorkPager, u"w", u"h", u"",  u"op",    u""},
    {"NoOwnPager",      Pager, kNoPager,   true,  M::WorkPager, u"",  u"",  u"p", u"",      u"p"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Offline, Lists, ::testing::ValuesIn(kListsRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OfflineCounter, RemainingOrTooManyInCodePoints)
{
    const std::u16string twoFaces = u"\U0001F600\U0001F600"; // two pairs, four units
    const std::tuple<int, std::u16string, std::u16string> rows[] = {
        {160, u"", u"160"},  {5, u"hello", u"0"}, {5, u"hello!!", u"2 too many"},
        {10, u"a\nb", u"7"}, {3, twoFaces, u"1"}, {1, twoFaces, u"1 too many"},
        {0, u"abc", u""},    {-5, u"abc", u""}};
    for (const auto& [limit, text, shown] : rows)
        EXPECT_EQ(RemainingText(limit, CountCharacters(text)), shown) << limit;
}

struct BytesRow
{
    const char* name;
    OfflineDraft draft;
    ImResult result;
    std::string headers; // empty when refused
    std::string body;
};

class Bytes : public ::testing::TestWithParam<BytesRow>
{
};

TEST_P(Bytes, OfTheMessageOrItsRefusal)
{
    const BytesRow& row = GetParam();
    OfflineMessage out{"untouched", "", ""};
    EXPECT_EQ(BuildOfflineMessage(row.draft, out), row.result);
    const bool ok = row.result == ImResult::Ok;
    EXPECT_EQ(out.type, ok ? std::string(OfflineTypeWord(row.draft.kind)) : "untouched");
    EXPECT_EQ(out.headers, row.headers);
    EXPECT_EQ(out.body, row.body);
}

const std::string kMime = "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n";
constexpr auto Refused = ImResult::BadArgument;

// clang-format off
const BytesRow kBytesRows[] = {
    {"Email", {Email, u"me@x.test", u"bob@x.test", u"Lunch?",
               u"See you at 12.\n\n  Bring the notes. \t \n\n \r\n"}, ImResult::Ok,
     "To: bob@x.test\r\nFrom: me@x.test\r\nSubject: Lunch?\r\n" + kMime,
     "See you at 12.\r\n\r\n  Bring the notes. \t\r\n"},
    {"EmailUtf8", {Email, u"me@x.test", u"b\u00f6b@x.test", u"", u"Gr\u00fc\u00dfe"}, ImResult::Ok,
     "To: b\xc3\xb6" "b@x.test\r\nFrom: me@x.test\r\nSubject: \r\n" + kMime,
     "Gr\xc3\xbc\xc3\x9f" "e\r\n"},
    {"SmsIgnoresSubject", {Sms, u"+1 555 0199", u"+1 555 0100", u"x\r\ny", u"Late\n"},
     ImResult::Ok, "To: +1 555 0100\r\nFrom: +1 555 0199\r\n", "Late\r\n"},
    {"PagerParagraphs", {Pager, u"5550199", u"5550100", u"", u"one\u2029two\u2028"},
     ImResult::Ok, "To: 5550100\r\nFrom: 5550199\r\n", "one\r\ntwo\r\n"},
    {"OnlySpacesAndBreaks", {Sms, u"1", u"2", u"", u"  \n \r\n\u2029 "}, Refused, "", ""},
    {"EmptyFrom", {Sms, u"", u"2", u"", u"text"}, Refused, "", ""},
    {"EmptyTo", {Pager, u"1", u"", u"", u"text"}, Refused, "", ""},
    {"SubjectInjection", {Email, u"a@x", u"b@x", u"Hi\r\nBcc: all@x", u"t"}, Refused, "", ""},
    {"LineFeedInTo", {Sms, u"1", u"2\n3", u"", u"text"}, Refused, "", ""},
    {"UnpairedSurrogate", {Email, u"a@x", u"b@x", u"\xd800", u"t"}, ImResult::ConversionFailed,
     "", ""},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Offline, Bytes, ::testing::ValuesIn(kBytesRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zep::conversations
