// The exact bytes of every request and the parsing of every reply, against the scripted
// fake server.

#include "protocol/framing.h"
#include "protocol/requests.h"
#include "tests/support/fake_server.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <gtest/gtest.h>

namespace zep {
namespace {

using test::FakeServer;
using test::Reply;

const std::string kGreeting = "S 220 test server ready\r\n";

class RequestsTest : public ::testing::Test
{
protected:
    void SetUp() override { SetDefaultTimeouts(5, 5); }
    void TearDown() override { SetDefaultTimeouts(240, 240); }

    // Starts the server with the greeting first and the given answers, and connects.
    void Serve(std::initializer_list<std::string> answers)
    {
        server.Send(kGreeting);
        for (const std::string& answer : answers)
            server.Answer(answer);
        server.Start();
        ASSERT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::Ok);
    }
    std::vector<std::string> Sent()
    {
        EXPECT_TRUE(server.Finish());
        return server.Requests();
    }

    FakeServer server;
    ImConnection conn;
};

std::string Emails(int from, int to)
{
    std::string joined;
    for (int i = from; i < to; ++i)
        joined += (joined.empty() ? "" : ",") + ("u" + std::to_string(i) + "@x.org");
    return joined;
}

TEST_F(RequestsTest, VersionIsTheTrimmedStatusText)
{
    Serve({Reply({"250  4.0 "})});
    std::string version;
    ASSERT_EQ(ImVersion(conn, version), ImResult::Ok);
    EXPECT_EQ(version, "4.0");
    EXPECT_EQ(Sent(), std::vector<std::string>{"VERSION\r\n.\r\n"});
}

TEST_F(RequestsTest, LogonParsesTheOwnRecordAndDerivesAnEmptyName)
{
    Serve({Reply({"250-42::jo.smith%40example.com:%2B44+1:0207:pg:AVAILABLE:LUNCH:1:0:1:acct:"
                  "dd%2Fmm:160:80",
                  "250 OK"})});
    ContactRecordUtf8 own;
    ASSERT_EQ(ImLogon(conn, "jo.smith@example.com", "pw", own), ImResult::Ok);
    EXPECT_TRUE(conn.loggedOn);
    EXPECT_EQ(Sent(), std::vector<std::string>{
                          "LOGON\r\nEmail: jo.smith@example.com\r\nClientType: IM\r\nLogoff: "
                          "1\r\n.\r\n"});
    EXPECT_EQ(own.id, 42);
    EXPECT_EQ(own.name, "jo.smith");
    EXPECT_EQ(own.email, "jo.smith@example.com");
    EXPECT_EQ(own.workMobile, "+44 1");
    EXPECT_EQ(own.homeMobile, "0207");
    EXPECT_EQ(own.workPager, "pg");
    EXPECT_EQ(own.status, PresenceStatus::Available);
    EXPECT_EQ(own.subStatus, SubStatus::Lunch);
    EXPECT_EQ(own.accountFlags, (AccountFlags{true, false, true, 160, 80}));
    EXPECT_EQ(own.accountText, "acct");
    EXPECT_EQ(own.dateFormat, "dd/mm");
    EXPECT_EQ(conn.auth.userName, "jo.smith@example.com");
    EXPECT_EQ(conn.auth.realm, "jo.smith@example.com");
    EXPECT_EQ(conn.auth.password, "pw");
}

TEST_F(RequestsTest, LogonKeepsTheRecordDespiteAnUnknownWordAndIgnoresAShortOne)
{
    Serve({Reply({"250-7:Jo:jo%40x.org:::::available:SIESTA:0:0:0::::", "250 OK"}),
           Reply({"250-7:Jo:jo%40x.org", "250 OK"})});
    ContactRecordUtf8 own;
    ASSERT_EQ(ImLogon(conn, "jo@x.org", "pw", own), ImResult::Ok);
    EXPECT_EQ(own.id, 7);
    EXPECT_EQ(own.status, PresenceStatus::Unavailable);
    EXPECT_EQ(own.subStatus, SubStatus::None);
    ASSERT_EQ(ImLogon(conn, "jo@x.org", "pw", own), ImResult::Ok);
    EXPECT_EQ(own, ContactRecordUtf8());
}

TEST_F(RequestsTest, ValuesWithLineBreaksAreRefusedBeforeAnythingIsSent)
{
    Serve({Reply({"250 OK"})});
    ContactRecordUtf8 own;
    EXPECT_EQ(ImLogon(conn, "a@b.c\r\nLOGOFF", "pw", own), ImResult::BadArgument);
    EXPECT_EQ(ImPresence(conn, PresenceStatus::Available, SubStatus::None, "x\ny"),
              ImResult::BadArgument);
    std::vector<ContactRecordUtf8> users;
    EXPECT_EQ(ImListUsers(conn, UserSearch::SearchEmail, "a\rb", users), ImResult::BadArgument);
    LineList reply;
    EXPECT_EQ(ImMessage(conn, "sms", "To: 1\r\nFrom: 2\nX: y\r\n", "hi", reply),
              ImResult::BadArgument);
    EXPECT_EQ(ImMessage(conn, "sms", "To: 1\r\n\r\n", "hi", reply), ImResult::BadArgument);
    EXPECT_EQ(ImLeave(conn, "s\r\n.\r\nLOGON"), ImResult::BadArgument);
    EXPECT_EQ(ImUnsubscribe(conn, {"a@b.c", "d@e.f\r\n"}), ImResult::BadArgument);
    std::string headers;
    EXPECT_EQ(ImHeaderLine("Subject", "a\r\nBcc: x", headers), ImResult::BadArgument);
    EXPECT_EQ(headers, "");
    // Only this one reaches the server.
    EXPECT_EQ(ImLeave(conn, "s1"), ImResult::Ok);
    EXPECT_EQ(Sent(), std::vector<std::string>{"LEAVE\r\nSessionId: s1\r\n.\r\n"});
}

TEST_F(RequestsTest, ListContactsSkipsLinesOfOtherFieldCountsAndRunsInReverseOrder)
{
    Serve({Reply({"1:Ann:ann%40x.org", "2:two-fields", "3:Bob+B:bob%40x.org:extra", "4::cy%40x.org",
                  "250 OK"})});
    std::vector<ContactRecordUtf8> contacts;
    ASSERT_EQ(ImListContacts(conn, ListType::Blocked, contacts), ImResult::Ok);
    EXPECT_EQ(Sent(), std::vector<std::string>{"LIST CONTACTS\r\nType: BLOCKED\r\n.\r\n"});
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_EQ(contacts[0].id, 4);
    EXPECT_EQ(contacts[0].name, "cy");
    EXPECT_EQ(contacts[0].email, "cy@x.org");
    EXPECT_EQ(contacts[0].type, ListType::Blocked);
    EXPECT_EQ(contacts[1].name, "Ann");
}

TEST_F(RequestsTest, ListUsersHeaders)
{
    Serve(
        {Reply({"250 OK"}), Reply({"250 OK"}), Reply({"250 OK"}), Reply({"1:A:a%40b", "550 no"})});
    std::vector<ContactRecordUtf8> users;
    ASSERT_EQ(ImListUsers(conn, UserSearch::All, "", users), ImResult::Ok);
    ASSERT_EQ(ImListUsers(conn, UserSearch::SearchEmail, "", users), ImResult::Ok);
    ASSERT_EQ(ImListUsers(conn, UserSearch::SearchEmail, "jo smith", users), ImResult::Ok);
    EXPECT_EQ(ImListUsers(conn, UserSearch::Email, "jo@x.org", users), ImResult::Failed);
    EXPECT_TRUE(users.empty());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"LIST USERS\r\n.\r\n", "LIST USERS\r\n.\r\n",
                                                "LIST USERS\r\nSearchEmail: jo smith\r\n.\r\n",
                                                "LIST USERS\r\nEmail: jo@x.org\r\n.\r\n"}));
}

TEST_F(RequestsTest, SubscribeSendsBatchesOfTwentyAndUpdatesTheMatchingContacts)
{
    Serve(
        {Reply({"250-U3%40X.ORG:AVAILABLE:DND:at+desk:ON:imap:2026-12-07+09%3A05%3A03:"
                "workSMS:1:2:3:4:5:6:7:Room+%3A1",
                "250-u4@x.org:AVAILABLE:BRB:::::PIGEON::::::::", "250-short:AVAILABLE", "250 OK"}),
         Reply({"250 OK"}), Reply({"250 OK"})});
    std::vector<ContactRecordUtf8> contacts(45);
    for (int i = 0; i < 45; ++i)
        contacts[i].email = "u" + std::to_string(i) + "@x.org";
    ASSERT_EQ(ImSubscribe(conn, contacts), ImResult::Ok);
    EXPECT_EQ(Sent(),
              (std::vector<std::string>{"SUBSCRIBE\r\nEmail: " + Emails(0, 20) + "\r\n.\r\n",
                                        "SUBSCRIBE\r\nEmail: " + Emails(20, 40) + "\r\n.\r\n",
                                        "SUBSCRIBE\r\nEmail: " + Emails(40, 45) + "\r\n.\r\n"}));
    const ContactRecordUtf8& c = contacts[3];
    EXPECT_EQ(c.email, "u3@x.org");
    EXPECT_EQ(c.status, PresenceStatus::Available);
    EXPECT_EQ(c.subStatus, SubStatus::DoNotDisturb);
    EXPECT_EQ(c.customStatus, "at desk");
    EXPECT_EQ(c.emailState, EmailState::On);
    EXPECT_EQ(c.emailMethod, "imap");
    EXPECT_EQ(c.emailTime, (EmailDateTime{2026, 12, 7, 9, 5, 3}));
    EXPECT_EQ(c.contactMethod, ContactMethod::WorkSms);
    EXPECT_EQ(c.homeTel, "1");
    EXPECT_EQ(c.workFax, "7");
    EXPECT_EQ(c.location, "Room :1");
    // Unknown words give the defaults; the record is still updated.
    EXPECT_EQ(contacts[4].status, PresenceStatus::Available);
    EXPECT_EQ(contacts[4].subStatus, SubStatus::None);
    EXPECT_EQ(contacts[4].contactMethod, ContactMethod::None);
    EXPECT_EQ(contacts[5].status, PresenceStatus::Unavailable);
}

TEST_F(RequestsTest, SubscribeFirstDuplicateAndEmptyListsAndUnsubscribeBatches)
{
    Serve({Reply({"250-a%40x.org:AVAILABLE" + std::string(14, ':'), "250 OK"}), Reply({"250 OK"}),
           Reply({"250 OK"})});
    std::vector<ContactRecordUtf8> none;
    ASSERT_EQ(ImSubscribe(conn, none), ImResult::Ok);
    // A decoded address holding a line break or a comma is skipped, not the whole batch.
    std::vector<ContactRecordUtf8> twice(5);
    twice[0].email = "";
    twice[1].email = "A@x.org";
    twice[2].email = "a@X.org";
    twice[3].email = "evil@x.org\r\nLOGOFF";
    twice[4].email = "b@x.org,c@x.org";
    ASSERT_EQ(ImSubscribe(conn, twice), ImResult::Ok);
    EXPECT_EQ(twice[1].status, PresenceStatus::Available);
    EXPECT_EQ(twice[2].status, PresenceStatus::Unavailable);
    std::vector<std::string> forty;
    for (int i = 0; i < 40; ++i)
        forty.push_back("u" + std::to_string(i) + "@x.org");
    ASSERT_EQ(ImUnsubscribe(conn, {}), ImResult::Ok);
    ASSERT_EQ(ImUnsubscribe(conn, forty), ImResult::Ok);
    EXPECT_EQ(Sent(),
              (std::vector<std::string>{"SUBSCRIBE\r\nEmail: A@x.org,a@X.org\r\n.\r\n",
                                        "UNSUBSCRIBE\r\nEmail: " + Emails(0, 20) + "\r\n.\r\n",
                                        "UNSUBSCRIBE\r\nEmail: " + Emails(20, 40) + "\r\n.\r\n"}));
}

TEST_F(RequestsTest, SubscribeStopsAtTheFirstFailedBatch)
{
    Serve({Reply({"553 no"})});
    std::vector<ContactRecordUtf8> contacts(25);
    for (int i = 0; i < 25; ++i)
        contacts[i].email = "u" + std::to_string(i) + "@x.org";
    EXPECT_EQ(ImSubscribe(conn, contacts), ImResult::ServerCode553);
    EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(RequestsTest, PresenceWithAndWithoutCustomStatus)
{
    Serve({Reply({"250 OK"}), Reply({"250 OK"}), Reply({"250 OK"})});
    ASSERT_EQ(ImPresence(conn, PresenceStatus::Available, SubStatus::ExtendedAway), ImResult::Ok);
    ASSERT_EQ(ImPresence(conn, PresenceStatus::Available, SubStatus::None, ""), ImResult::Ok);
    ASSERT_EQ(ImPresence(conn, PresenceStatus::Unavailable, SubStatus::Meeting, "in a meeting"),
              ImResult::Ok);
    EXPECT_EQ(ImPresence(conn, static_cast<PresenceStatus>(5), SubStatus::None),
              ImResult::NotFound);
    EXPECT_EQ(Sent(),
              (std::vector<std::string>{
                  "PRESENCE\r\nStatus: AVAILABLE\r\nSubStatus: XA\r\n.\r\n",
                  "PRESENCE\r\nStatus: AVAILABLE\r\nSubStatus: \r\nCustomStatus: \r\n.\r\n",
                  "PRESENCE\r\nStatus: UNAVAILABLE\r\nSubStatus: MEETING\r\nCustomStatus: in "
                  "a meeting\r\n.\r\n"}));
}

TEST_F(RequestsTest, MessageBodyIsNormalisedAndDotStuffed)
{
    Serve({Reply({"250-bob@x.org", "251- carol@x.org ", "250 OK"}), Reply({"554 too large"})});
    LineList reply;
    ASSERT_EQ(ImMessage(conn, "im", "SessionId: s1\r\n",
                        ".hidden\r\n.\r\nline\rbare cr\n\n\nafter feeds\r\n\r\n..two", reply),
              ImResult::Ok);
    std::vector<MessageFailure> failures = ImMessageFailures(reply);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].address, "bob@x.org");
    EXPECT_FALSE(failures[0].contentUnacceptable);
    EXPECT_EQ(failures[1].address, "carol@x.org");
    EXPECT_TRUE(failures[1].contentUnacceptable);
    EXPECT_EQ(ImMessage(conn, "sms", "", "x", reply), ImResult::TooLarge);
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "MESSAGE\r\nMessageType: im\r\nSessionId: s1\r\n\r\n..hidden\r\n..\r\n"
                          "line\r\nbare cr\r\nafter feeds\r\n\r\n...two\r\n.\r\n",
                          "MESSAGE\r\nMessageType: sms\r\n\r\nx\r\n.\r\n"}));
}

TEST_F(RequestsTest, SessionsContactsKeepAliveAndVariables)
{
    Serve({Reply({"250 sess-77 "}), Reply({"552 already"}), Reply({"250 OK"}), Reply({"250 OK"}),
           Reply({"250 OK"}), Reply({"250 12"}),
           Reply({"imshowaway: 1", "IMAwayTime: 15", "IMAwayTime: 99", "WebmailIMAvailability:x",
                  "250 OK"}),
           Reply({"250 OK"})});
    std::string session;
    ASSERT_EQ(ImInvite(conn, {"a@x.org", "b@x.org"}, session), ImResult::Ok);
    EXPECT_EQ(session, "sess-77");
    EXPECT_EQ(ImInviteToSession(conn, session, "c@x.org"), ImResult::AlreadyPresent);
    ASSERT_EQ(ImContactAdd(conn, ListType::Blocked, 31), ImResult::Ok);
    ASSERT_EQ(ImContactDel(conn, -2), ImResult::Ok);
    ASSERT_EQ(ImLeave(conn, session), ImResult::Ok);
    long long count = 0;
    ASSERT_EQ(ImKeepAlive(conn, 4294967295u, count), ImResult::Ok);
    EXPECT_EQ(count, 12);
    ServerVariables variables;
    ASSERT_EQ(ImGetVariable(conn, variables), ImResult::Ok);
    EXPECT_EQ(variables.values[1], "1");
    EXPECT_EQ(variables.values[2], "15");
    EXPECT_EQ(variables.values[0], ""); // no ": " after the name
    variables.values[13] = "EMAIL";
    ASSERT_EQ(ImSetVariable(conn, variables), ImResult::Ok);
    std::string set = "SET VARIABLE\r\n";
    for (std::size_t i = 0; i < ServerVariables::kCount; ++i)
        set += std::string(ServerVariables::kNames[i]) + ": " + variables.values[i] + "\r\n";
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "INVITE\r\nEmail: a@x.org,b@x.org\r\n.\r\n",
                          "INVITE\r\nSessionId: sess-77\r\nEmail: c@x.org\r\n.\r\n",
                          "CONTACT ADD\r\nType: BLOCKED\r\nId: 31\r\n.\r\n",
                          "CONTACT DEL\r\nId: -2\r\n.\r\n", "LEAVE\r\nSessionId: sess-77\r\n.\r\n",
                          "KA\r\nActivity: -1\r\n.\r\n", "GET VARIABLE\r\n.\r\n", set + ".\r\n"}));
    EXPECT_NE(set.find("IMOfflineContactMethod: EMAIL\r\n"), std::string::npos);
}

TEST_F(RequestsTest, ConnectionLostMidRequest)
{
    server.Send(kGreeting).ReadRequest().Close();
    server.Start();
    ASSERT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::Ok);
    std::vector<ContactRecordUtf8> contacts;
    EXPECT_EQ(ImListContacts(conn, ListType::Contact, contacts), ImResult::ConnectionClosed);
    EXPECT_FALSE(conn.connected);
    EXPECT_EQ(ImLeave(conn, "s"), ImResult::ConnectionClosed);
}

} // namespace
} // namespace zep
