// Contact records between their UTF-8 and UTF-16 forms, capacity cuts, reply line parsing
// and the line rules of message bodies.

#include "protocol/contact_record.h"
#include "protocol/message_body.h"
#include "protocol/reply_records.h"
#include "protocol/utf_text.h"

#include <gtest/gtest.h>

namespace zep {
namespace {

TEST(ContactRecord, ConvertsFieldByFieldAndBack)
{
    ContactRecordUtf8 r;
    r.id = 5;
    r.type = ListType::Blocked;
    r.name = "Zo\xc3\xab \xf0\x9f\x98\x80";
    r.email = "zoe@x.org";
    r.status = PresenceStatus::Available;
    r.location = "M\xc3\xbcnchen";
    r.accountFlags.smsLimit = 160;
    ContactRecord wide;
    ASSERT_EQ(ToUtf16(r, wide), ImResult::Ok);
    EXPECT_EQ(wide.name, u"Zo\u00eb \U0001F600");
    EXPECT_EQ(wide.location, u"M\u00fcnchen");
    EXPECT_EQ(wide.type, ListType::Blocked);
    ContactRecordUtf8 back;
    ASSERT_EQ(ToUtf8(wide, back), ImResult::Ok);
    EXPECT_EQ(back, r);
}

TEST(ContactRecord, InvalidTextFailsConversionAndLeavesTheOutputAlone)
{
    ContactRecordUtf8 r;
    r.name = "ok";
    r.workFax = "\xc3"; // a cut character
    ContactRecord wide;
    wide.name = u"before";
    EXPECT_EQ(ToUtf16(r, wide), ImResult::ConversionFailed);
    EXPECT_EQ(wide.name, u"before");
    for (std::string bad : {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\x80"}) {
        r.workFax = bad;
        EXPECT_EQ(ToUtf16(r, wide), ImResult::ConversionFailed) << bad.size();
    }
    ContactRecord lone;
    lone.customStatus = std::u16string(1, char16_t(0xd800));
    ContactRecordUtf8 out;
    EXPECT_EQ(ToUtf8(lone, out), ImResult::ConversionFailed);
}

TEST(ContactRecord, LongTextsAreCutAtACharacterBoundary)
{
    // 127 ASCII bytes then a two-byte character: the field keeps 128 bytes at most, so the
    // character goes whole rather than in half.
    std::string name(127, 'a');
    name += "\xc3\xa9";
    ContactRecordUtf8 r;
    r.name = name;
    CutToCapacities(r);
    EXPECT_EQ(r.name, std::string(127, 'a'));
    std::u16string ignored;
    EXPECT_TRUE(Utf8ToUtf16(r.name, ignored));

    ASSERT_TRUE(ParseUserLine("1:" + std::string(126, 'b') + "%e2%82%ac:x%40y", r));
    EXPECT_EQ(r.name, std::string(126, 'b'));
    ContactRecord wide;
    EXPECT_EQ(ToUtf16(r, wide), ImResult::Ok);

    ContactRecord longWide;
    longWide.workTel = std::u16string(31, u'1') + u"\U0001F600";
    ContactRecordUtf8 narrow;
    ASSERT_EQ(ToUtf8(longWide, narrow), ImResult::Ok);
    EXPECT_EQ(narrow.workTel, std::string(31, '1'));
}

TEST(ReplyRecords, LineShapes)
{
    ContactRecordUtf8 r;
    EXPECT_FALSE(ParseUserLine("1:two", r));
    EXPECT_FALSE(ParseUserLine("1:a:b:c", r));
    EXPECT_TRUE(ParseUserLine("x:Name:e%3Amail", r));
    EXPECT_EQ(r.id, 0);
    EXPECT_EQ(r.email, "e:mail");
    EXPECT_FALSE(ParseLogonLine("250-1:2:3", r));
    EXPECT_FALSE(ParseLogonLine("", r));
    EXPECT_FALSE(ParsePresenceLine("250-a:AVAILABLE:::::::::::::::", r)); // 17 fields
    EXPECT_FALSE(ParsePresenceLine("25", r));
    // Twenty fields and more: the last keeps the rest, so the record still has 15+.
    EXPECT_TRUE(ParseLogonLine("250-1:n:e:wm:hm:wp:S:T:0:0:0:t:d:1:2:3:4:5:6:7:8", r));
    EXPECT_EQ(r.accountFlags.pagerLimit, 2);
}

TEST(MessageBody, LineEndsAreMadeUniformBeforeStuffing)
{
    EXPECT_EQ(StuffMessageBody(""), "");
    EXPECT_EQ(StuffMessageBody("one"), "one\r\n");
    EXPECT_EQ(StuffMessageBody("one\r\n"), "one\r\n");
    EXPECT_EQ(StuffMessageBody("\n\none\n\n\ntwo\n\n"), "one\r\ntwo\r\n");
    EXPECT_EQ(StuffMessageBody("\r\n--b\r\n\r\ntext"), "\r\n--b\r\n\r\ntext\r\n");
    EXPECT_EQ(StuffMessageBody("a\r.\r\n.\rb"), "a\r\n..\r\n..\r\nb\r\n");
    EXPECT_EQ(StuffMessageBody(".\n..\r\n."), "..\r\n...\r\n..\r\n");
    EXPECT_EQ(StuffMessageBody("x\r"), "x\r\n");
}

TEST(MessageBody, HeaderBlocks)
{
    EXPECT_TRUE(IsHeaderBlock(""));
    EXPECT_TRUE(IsHeaderBlock("A: 1\r\nB: 2\r\n"));
    EXPECT_FALSE(IsHeaderBlock("A: 1"));
    EXPECT_FALSE(IsHeaderBlock("A: 1\r\n\r\n"));
    EXPECT_FALSE(IsHeaderBlock("A: 1\nB: 2\r\n"));
    EXPECT_FALSE(IsHeaderBlock("A: 1\rB: 2\r\n"));
}

TEST(Utf8Text, PrefixesAndCaseFolding)
{
    EXPECT_EQ(Utf8Prefix("ab\xe2\x82\xac", 4), "ab");
    EXPECT_EQ(Utf8Prefix("ab\xe2\x82\xac", 5), "ab\xe2\x82\xac");
    EXPECT_EQ(Utf8Prefix("abc", 0), "");
    EXPECT_TRUE(EqualsNoCase("Jo@X.org", "jo@x.ORG"));
    EXPECT_FALSE(EqualsNoCase("jo", "jo "));
    EXPECT_EQ(NameFromAddress("jo.smith@example.com"), "jo.smith");
    EXPECT_EQ(NameFromAddress("plain"), "plain");
}

} // namespace
} // namespace zep
