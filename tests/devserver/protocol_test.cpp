// The server over real sockets: greeting, authentication, logon record, directory, contact
// lists, subscriptions and presence, variables, keep-alive, TLS.
#include "devserver/text.h"
#include "net_client.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zep::devserver::test {
namespace {

std::vector<std::string> Split(const std::string& line, char delimiter)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t end = line.find(delimiter, start);
        out.push_back(line.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            return out;
        start = end + 1;
    }
}

class ProtocolTest : public ::testing::Test
{
protected:
    std::unique_ptr<NetClient> LoggedOn(const std::string& email, const std::string& password)
    {
        auto client = std::make_unique<NetClient>();
        EXPECT_TRUE(client->Connect(server_.Port()));
        EXPECT_EQ(client->Logon(email, password).status, "250 OK");
        return client;
    }

    ServerThread server_;
};

TEST_F(ProtocolTest, GreetingVersionAndDigestChallengeWithTheRealmFirst)
{
    NetClient c;
    ASSERT_TRUE(c.Connect(server_.Port()));
    EXPECT_EQ(c.Greeting().rfind("S 220 ", 0), 0u);
    EXPECT_EQ(c.Exchange("VERSION").status, "250 4.0");

    c.SendRaw(FormatRequest("LOGON", {{"Email", "anna@example.com"}}));
    auto challenge = c.ReadReply();
    ASSERT_TRUE(challenge.has_value());
    EXPECT_EQ(challenge->Code(), "401");
    ASSERT_FALSE(challenge->data.empty());
    const std::string& line = challenge->data[0];
    EXPECT_EQ(line.rfind("Authenticate: Digest realm=\"anna@example.com\",nonce=\"", 0), 0u)
        << line;
    EXPECT_NE(line.find(",qop=\"auth\",opaque=\""), std::string::npos) << line;
}

TEST_F(ProtocolTest, LogonRecordHasFifteenEncodedFields)
{
    auto anna = std::make_unique<NetClient>();
    ASSERT_TRUE(anna->Connect(server_.Port()));
    const WireReply reply = anna->Logon("anna@example.com", "anna123");
    ASSERT_EQ(reply.status, "250 OK");
    ASSERT_EQ(reply.data.size(), 1u);
    ASSERT_EQ(reply.data[0].substr(0, 4), "250-");
    const auto fields = Split(reply.data[0].substr(4), ':');
    ASSERT_EQ(fields.size(), 15u);
    EXPECT_EQ(fields[0], "1");
    EXPECT_EQ(fields[1], "Anna+Berg");
    EXPECT_EQ(FormDecoded(fields[2]), "anna@example.com");
    EXPECT_EQ(FormDecoded(fields[3]), "+44 7700 900101");
    EXPECT_EQ(fields[6], "AVAILABLE");
    EXPECT_EQ(fields[7], "");
    EXPECT_EQ(fields[8] + fields[9] + fields[10], "111");
    EXPECT_EQ(fields[13], "160");
    EXPECT_EQ(fields[14], "240");
    // Later requests carry growing decimal counts on the same challenge.
    EXPECT_EQ(anna->Exchange("KA", {{"Activity", "1"}}).status, "250 2");
    EXPECT_EQ(anna->Exchange("KA", {{"Activity", "1"}}).status, "250 2");
    EXPECT_EQ(anna->Auth().NonceCount(), 4);
}

TEST_F(ProtocolTest, WrongPasswordGetsASecondChallengeAndNoLogon)
{
    NetClient c;
    ASSERT_TRUE(c.Connect(server_.Port()));
    EXPECT_EQ(c.Logon("anna@example.com", "Anna123").Code(), "401");
    EXPECT_EQ(c.Exchange("LIST USERS").Code(), "401");
    // The right password on the same connection still works.
    c.Auth().SetUser("anna@example.com", "anna123");
    EXPECT_EQ(c.Exchange("LOGON", {{"Email", "anna@example.com"}}).status, "250 OK");
}

TEST_F(ProtocolTest, RequestsNeedAuthenticationAndThenALogon)
{
    NetClient c;
    ASSERT_TRUE(c.Connect(server_.Port()));
    c.Auth().SetUser("ben@example.com", "ben123");
    c.SendRaw(FormatRequest("LIST USERS", {}));
    auto reply = c.ReadReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Code(), "401");
    ASSERT_TRUE(c.Auth().Record(*reply));
    EXPECT_EQ(c.Exchange("LIST USERS").Code(), "503");
    // Authenticated as one user, logging on as another is refused.
    EXPECT_EQ(c.Exchange("LOGON", {{"Email", "anna@example.com"}}).Code(), "401");
    EXPECT_EQ(c.Exchange("LOGON", {{"Email", "ben@example.com"}}).Code(), "250");
}

TEST_F(ProtocolTest, BasicAuthenticationWhenConfigured)
{
    Options options = ServerThread::DefaultTestOptions();
    options.auth = AuthScheme::Basic;
    ServerThread basic(options);
    NetClient c;
    ASSERT_TRUE(c.Connect(basic.Port()));
    c.SendRaw(FormatRequest("LOGON", {{"Email", "ben@example.com"}}));
    auto challenge = c.ReadReply();
    ASSERT_TRUE(challenge);
    EXPECT_EQ(challenge->data.at(0), "Authenticate: Basic realm=\"ben@example.com\"");
    EXPECT_EQ(c.Logon("ben@example.com", "ben123").status, "250 OK");
}

TEST_F(ProtocolTest, ListUsersAllExactAndSearch)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    EXPECT_EQ(anna->Exchange("LIST USERS").data.size(), 5u);
    const WireReply exact = anna->Exchange("LIST USERS", {{"Email", "BEN@example.com"}});
    EXPECT_EQ(exact.data, std::vector<std::string>{"2:Ben+Okafor:ben%40example.com"});
    EXPECT_TRUE(anna->Exchange("LIST USERS", {{"Email", "be"}}).data.empty());
    const WireReply byName = anna->Exchange("LIST USERS", {{"SearchEmail", "DIAZ"}});
    EXPECT_EQ(byName.data, std::vector<std::string>{"3:Carla+Diaz:carla%40example.com"});
    const WireReply byAddress = anna->Exchange("LIST USERS", {{"SearchEmail", "o@exa"}});
    EXPECT_EQ(byAddress.data, std::vector<std::string>{"4:Echo:echo%40example.com"});
    for (const std::string& line : anna->Exchange("LIST USERS").data)
        EXPECT_EQ(Split(line, ':').size(), 3u) << line;
}

TEST_F(ProtocolTest, ContactListsAddDeleteAndBlock)
{
    auto ben = LoggedOn("ben@example.com", "ben123");
    EXPECT_EQ(ben->Exchange("LIST CONTACTS", {{"Type", "CONTACT"}}).data.size(), 3u);
    EXPECT_TRUE(ben->Exchange("LIST CONTACTS", {{"Type", "BLOCKED"}}).data.empty());
    EXPECT_EQ(ben->Exchange("LIST CONTACTS", {{"Type", "contact"}}).Code(), "501");

    EXPECT_EQ(ben->Exchange("CONTACT DEL", {{"Id", "3"}}).status, "250 OK");
    EXPECT_EQ(ben->Exchange("CONTACT DEL", {{"Id", "3"}}).Code(), "550");
    EXPECT_EQ(ben->Exchange("CONTACT ADD", {{"Type", "BLOCKED"}, {"Id", "3"}}).status, "250 OK");
    EXPECT_EQ(ben->Exchange("LIST CONTACTS", {{"Type", "BLOCKED"}}).data,
              std::vector<std::string>{"3:Carla+Diaz:carla%40example.com"});
    EXPECT_EQ(ben->Exchange("CONTACT ADD", {{"Type", "BLOCKED"}, {"Id", "3"}}).Code(), "552");
    EXPECT_EQ(ben->Exchange("CONTACT ADD", {{"Type", "CONTACT"}, {"Id", "99"}}).Code(), "550");
    EXPECT_EQ(ben->Exchange("CONTACT ADD", {{"Type", "CONTACT"}, {"Id", "x"}}).Code(), "501");
    // One entry per user: blocking a contact takes it off the contacts, adding it back unblocks.
    const auto listed = [&](const char* type) {
        return ben->Exchange("LIST CONTACTS", {{"Type", type}}).data.size();
    };
    EXPECT_EQ(ben->Exchange("CONTACT ADD", {{"Type", "BLOCKED"}, {"Id", "1"}}).status, "250 OK");
    EXPECT_EQ(std::pair(listed("CONTACT"), listed("BLOCKED")), std::pair(size_t{1}, size_t{2}));
    EXPECT_EQ(ben->Exchange("CONTACT ADD", {{"Type", "CONTACT"}, {"Id", "1"}}).status, "250 OK");
    EXPECT_EQ(std::pair(listed("CONTACT"), listed("BLOCKED")), std::pair(size_t{2}, size_t{1}));

    // Lists outlive the connection.
    ben.reset();
    auto again = LoggedOn("ben@example.com", "ben123");
    EXPECT_EQ(again->Exchange("LIST CONTACTS", {{"Type", "CONTACT"}}).data.size(), 2u);
}

TEST_F(ProtocolTest, SubscribeGivesSixteenFieldsAndPresenceFollows)
{
    auto ben = LoggedOn("ben@example.com", "ben123");
    const WireReply subscribed = ben->Exchange(
        "SUBSCRIBE", {{"Email", "anna@example.com,carla@example.com,nobody@example.com"}});
    ASSERT_EQ(subscribed.status, "250 OK");
    ASSERT_EQ(subscribed.data.size(), 2u);
    const auto anna = Split(subscribed.data[0].substr(4), ':');
    ASSERT_EQ(anna.size(), 16u);
    EXPECT_EQ(subscribed.data[0].substr(0, 4), "250-");
    EXPECT_EQ(FormDecoded(anna[0]), "anna@example.com");
    EXPECT_EQ(anna[1], "UNAVAILABLE");
    EXPECT_EQ(anna[7], "WORKMOBILE");
    EXPECT_EQ(FormDecoded(anna[12]), "+44 7700 900101");
    EXPECT_EQ(FormDecoded(anna[15]), "London office, room 4.12");

    auto annaClient = LoggedOn("anna@example.com", "anna123");
    auto online = ben->WaitEvent("PRESENCE");
    ASSERT_TRUE(online);
    EXPECT_EQ(EventHeader(*online, "Email"), "anna@example.com");
    EXPECT_EQ(EventHeader(*online, "Status"), "AVAILABLE");
    EXPECT_EQ(EventHeader(*online, "Location"), "London office, room 4.12");

    ASSERT_EQ(annaClient
                  ->Exchange("PRESENCE", {{"Status", "AVAILABLE"},
                                          {"SubStatus", "MEETING"},
                                          {"CustomStatus", "In a: meeting"}})
                  .status,
              "250 OK");
    auto changed = ben->WaitEvent("PRESENCE");
    ASSERT_TRUE(changed);
    EXPECT_EQ(EventHeader(*changed, "SubStatus"), "MEETING");
    EXPECT_EQ(EventHeader(*changed, "CustomStatus"), "In a: meeting");
    auto own = annaClient->WaitEvent("PRESENCE");
    ASSERT_TRUE(own) << "the user's own presence comes back to it";
    EXPECT_EQ(EventHeader(*own, "Email"), "anna@example.com");

    EXPECT_EQ(annaClient->Exchange("PRESENCE", {{"Status", "available"}}).Code(), "501");
    EXPECT_EQ(
        annaClient->Exchange("PRESENCE", {{"Status", "AVAILABLE"}, {"SubStatus", "ZZ"}}).Code(),
        "501");

    EXPECT_EQ(ben->Exchange("UNSUBSCRIBE", {{"Email", "anna@example.com"}}).status, "250 OK");
    annaClient.reset(); // logs off; ben no longer hears of it
    auto next = ben->ReadEvent(300ms);
    EXPECT_FALSE(next.has_value());
}

TEST_F(ProtocolTest, SecondLogonSignsTheFirstConnectionOff)
{
    auto first = LoggedOn("carla@example.com", "carla123");
    auto watcher = LoggedOn("ben@example.com", "ben123");
    watcher->Exchange("SUBSCRIBE", {{"Email", "carla@example.com"}});
    auto second = LoggedOn("carla@example.com", "carla123");
    auto logoff = first->WaitEvent("LOGOFF");
    ASSERT_TRUE(logoff);
    EXPECT_EQ(logoff->size(), 1u);
    EXPECT_TRUE(first->WaitClosed());
    // The user is still on through the new connection.
    auto presence = watcher->WaitEvent("PRESENCE");
    ASSERT_TRUE(presence);
    EXPECT_EQ(EventHeader(*presence, "Status"), "AVAILABLE");
    EXPECT_EQ(second->Exchange("KA", {{"Activity", "3"}}).Code(), "250");
}

TEST_F(ProtocolTest, VariablesRoundTripInOrder)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    const WireReply initial = anna->Exchange("GET VARIABLE");
    ASSERT_EQ(initial.data.size(), 14u);
    EXPECT_EQ(initial.data[0], "WebmailIMAvailability: AVAILABLE");
    EXPECT_EQ(initial.data[1], "IMShowAway: 1");
    EXPECT_EQ(initial.data[2], "IMAwayTime: 3");
    EXPECT_EQ(initial.data[13].rfind("IMOfflineContactMethod: ", 0), 0u);
    EXPECT_EQ(
        anna->Exchange("SET VARIABLE",
                       {{"IMAwayTime", "10"}, {"IMOnlineShowLocation", "0"}, {"NotAVariable", "x"}})
            .status,
        "250 OK");
    const WireReply after = anna->Exchange("GET VARIABLE");
    EXPECT_EQ(after.data.size(), 14u);
    EXPECT_EQ(after.data[2], "IMAwayTime: 10");
    EXPECT_EQ(after.data[8], "IMOnlineShowLocation: 0");
}

TEST_F(ProtocolTest, UnknownAndMalformedRequestsGetFiveHundredsAndTheLineStaysUp)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    EXPECT_EQ(anna->Exchange("FROBNICATE").Code(), "500");
    anna->SendRaw("KA\r\nActivity 12\r\n.\r\n", true);
    auto malformed = anna->ReadReply();
    ASSERT_TRUE(malformed);
    EXPECT_EQ(malformed->Code(), "501");
    EXPECT_EQ(anna->Exchange("KA").Code(), "501");
    EXPECT_EQ(anna->Exchange("KA", {{"Activity", "12x"}}).Code(), "501");
    EXPECT_EQ(anna->Exchange("KA", {{"Activity", "12"}}).status, "250 2");
    EXPECT_TRUE(anna->Reader().Stray().empty());
}

TEST_F(ProtocolTest, TlsPortServesTheSameProtocol)
{
    NetClient c;
    ASSERT_TRUE(c.Connect(server_.TlsPort(), true));
    EXPECT_EQ(c.Greeting().rfind("S 220 ", 0), 0u);
    EXPECT_EQ(c.Logon("ben@example.com", "ben123").status, "250 OK");
    EXPECT_EQ(c.Exchange("LIST USERS").data.size(), 5u);
}

} // namespace
} // namespace zep::devserver::test
