// Server events: name recognition, header values and the PRESENCE conversion.

#include "protocol/server_event.h"

#include <gtest/gtest.h>

namespace zep {
namespace {

ServerEvent Make(std::initializer_list<std::string> lines)
{
    LineList list;
    for (const std::string& line : lines)
        list.Append(line);
    return ServerEventFromLines(list);
}

TEST(ServerEvent, NamesAreWholeLinesWithoutRegardToCase)
{
    EXPECT_EQ(ServerEventKind(Make({"presence"})), EventKind::Presence);
    EXPECT_EQ(ServerEventKind(Make({"Session Timeout", "SessionId: 1"})),
              EventKind::SessionTimeout);
    EXPECT_EQ(ServerEventKind(Make({"SESSION"})), EventKind::Session);
    EXPECT_EQ(ServerEventKind(Make({"message"})), EventKind::Message);
    EXPECT_EQ(ServerEventKind(Make({"LogOff"})), EventKind::Logoff);
    EXPECT_EQ(ServerEventKind(Make({"new mail"})), EventKind::NewMail);
    EXPECT_EQ(ServerEventKind(Make({"PRESENCE xyz"})), EventKind::Unknown);
    EXPECT_EQ(ServerEventKind(Make({" PRESENCE"})), EventKind::Unknown);
    EXPECT_EQ(ServerEventKind(ServerEvent()), EventKind::Unknown);
}

TEST(ServerEvent, HeaderValueFirstMatchAnyCaseCutToItsBuffer)
{
    ServerEvent e =
        Make({"PRESENCE", " Email: blank@x.org", "email: first@x.org", "EMAIL: second@x.org",
              "Location: 0123456789", "Status:AVAILABLE", "Empty: "});
    EXPECT_EQ(HeaderValue(e, u"Email", 256), u"first@x.org");
    EXPECT_EQ(HeaderValue(e, u"Location", 5), u"0123");
    EXPECT_EQ(HeaderValue(e, u"Status", 1024), u""); // no blank after the colon
    EXPECT_EQ(HeaderValue(e, u"Empty", 1024), u"");
    EXPECT_EQ(HeaderValue(e, u"Missing", 1024), u"");
    // A cut never leaves half of a surrogate pair.
    ServerEvent wide = Make({"X", "Name: ab\xf0\x9f\x98\x80"});
    EXPECT_EQ(HeaderValue(wide, u"Name", 4), u"ab");
    EXPECT_EQ(HeaderValue(wide, u"Name", 5), u"ab\U0001F600");
}

TEST(ServerEvent, MalformedUtf8CostsOnlyTheBadBytes)
{
    ServerEvent e = Make({"MESSAGE", "From: a\xff@x.org", "caf\xc3\xa9"});
    EXPECT_EQ(e.lines[1], u"From: a\uFFFD@x.org");
    EXPECT_EQ(e.lines[2], u"caf\u00e9");
}

TEST(ServerEvent, PresenceFieldsWithDefaultsForUnknownWords)
{
    ServerEvent e = Make({"PRESENCE", "Email: Jo@X.org", "Status: AVAILABLE", "SubStatus: PHONE",
                          "CustomStatus: on a call", "EmailState: off", "EmailMethod: imap-idle-x",
                          "EmailTime: 2026-12-07 09:05:03", "ContactMethod: homeSMS", "HomeTel: 1",
                          "HomeMobile: 2", "HomeFax: 3", "WorkTel: 4", "WorkMobile: 5",
                          "WorkPager: 6", "WorkFax: 7", "Location: Leeds"});
    PresenceUpdate p = ReadPresence(e);
    EXPECT_EQ(p.email, u"Jo@X.org");
    EXPECT_EQ(p.fields.status, PresenceStatus::Available);
    EXPECT_EQ(p.fields.subStatus, SubStatus::Phone);
    EXPECT_EQ(p.fields.customStatus, u"on a call");
    EXPECT_EQ(p.fields.emailState, EmailState::Off);
    EXPECT_EQ(p.fields.emailMethod, u"imap-idle"); // nine characters kept
    EXPECT_EQ(p.fields.emailTime, (EmailDateTime{2026, 12, 7, 9, 5, 3}));
    EXPECT_EQ(p.fields.contactMethod, ContactMethod::HomeSms);
    EXPECT_EQ(p.fields.workPager, u"6");
    EXPECT_EQ(p.fields.location, u"Leeds");

    ServerEvent odd = Make({"PRESENCE", "Email: a@x.org", "Status: available", "SubStatus: NAP",
                            "EmailState: MAYBE", "ContactMethod: OWL", "EmailTime: 1700000"});
    PresenceUpdate q = ReadPresence(odd);
    EXPECT_EQ(q.fields.status, PresenceStatus::Unavailable);
    EXPECT_EQ(q.fields.subStatus, SubStatus::None);
    EXPECT_EQ(q.fields.emailState, EmailState::None);
    EXPECT_EQ(q.fields.contactMethod, ContactMethod::None);
    EXPECT_EQ(q.fields.emailTime.year, 1700000);
    EXPECT_EQ(q.fields.emailTime.month, 0);

    ContactRecord record;
    record.id = 9;
    record.name = u"Jo";
    record.email = u"jo@x.org";
    ApplyPresence(p, record);
    EXPECT_EQ(record.id, 9);
    EXPECT_EQ(record.name, u"Jo");
    EXPECT_EQ(record.email, u"jo@x.org");
    EXPECT_EQ(record.subStatus, SubStatus::Phone);
    EXPECT_EQ(record.homeFax, u"3");
}

TEST(EmailTime, PartsStopAtTheFirstNonDigitAndMissingOnesStayZero)
{
    EXPECT_EQ(ParseEmailTime("2026-12-07 09:05:03"), (EmailDateTime{2026, 12, 7, 9, 5, 3}));
    EXPECT_EQ(ParseEmailTime("2026-12"), (EmailDateTime{2026, 12, 0, 0, 0, 0}));
    EXPECT_EQ(ParseEmailTime("2026-12-07T09:05"), (EmailDateTime{2026, 12, 7, 0, 0, 0}));
    EXPECT_EQ(ParseEmailTime("x"), EmailDateTime{});
    EXPECT_EQ(ParseEmailTime("99999999999999999999-1"), (EmailDateTime{999999999, 1, 0, 0, 0, 0}));
}

} // namespace
} // namespace zep
