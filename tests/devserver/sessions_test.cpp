// Sessions and messages over real sockets: invite, join, leave, message routing with
// dot-stuffing, Echo, blocking, size limit, offline messages, the outbox and new-mail notices.
#include "net_client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace zep::devserver::test {
namespace {

namespace fs = std::filesystem;

class SessionsTest : public ::testing::Test
{
protected:
    SessionsTest() : outbox_(MakeOutbox()), server_(OptionsWithOutbox(outbox_)) {}
    ~SessionsTest() override { fs::remove_all(outbox_); }

    static std::string MakeOutbox()
    {
        const std::string dir =
            (fs::temp_directory_path() /
             ("zep-outbox-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++)))
                .string();
        fs::create_directories(dir);
        return dir;
    }
    static Options OptionsWithOutbox(const std::string& dir)
    {
        Options options = ServerThread::DefaultTestOptions();
        options.outboxDir = dir;
        return options;
    }

    std::unique_ptr<NetClient> LoggedOn(const std::string& email, const std::string& password)
    {
        auto client = std::make_unique<NetClient>();
        EXPECT_TRUE(client->Connect(server_.Port()));
        EXPECT_EQ(client->Logon(email, password).status, "250 OK");
        return client;
    }

    static std::string Im(NetClient& c, const std::string& session,
                          const std::vector<std::string>& body, WireReply* out = nullptr)
    {
        WireReply reply = c.Exchange("MESSAGE",
                                     {{"MessageType", "im"},
                                      {"SessionId", session},
                                      {"MIME-Version", "1.0"},
                                      {"Content-Type", "text/plain; charset=\"utf-8\""}},
                                     body);
        if (out != nullptr)
            *out = reply;
        return reply.status;
    }

    static inline int counter_ = 0;
    std::string outbox_;
    ServerThread server_;
};

TEST_F(SessionsTest, InviteMessageJoinAndLeave)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    auto ben = LoggedOn("ben@example.com", "ben123");
    auto carla = LoggedOn("carla@example.com", "carla123");

    const WireReply invite = anna->Exchange("INVITE", {{"Email", "ben@example.com"}});
    ASSERT_EQ(invite.Code(), "250");
    const std::string session = invite.status.substr(4);
    ASSERT_FALSE(session.empty());
    ASSERT_LT(session.size(), 65u);
    for (NetClient* c : {anna.get(), ben.get()}) {
        auto event = c->WaitEvent("SESSION");
        ASSERT_TRUE(event);
        EXPECT_EQ(EventHeader(*event, "SessionId"), session);
        EXPECT_EQ(EventHeader(*event, "Email"), "anna@example.com,ben@example.com");
    }
    // A second INVITE makes a fresh session.
    const WireReply other = anna->Exchange("INVITE", {{"Email", "ben@example.com"}});
    EXPECT_NE(other.status.substr(4), session);

    EXPECT_EQ(Im(*anna, session, {"Hello Ben", ".starts with a dot", ".", ""}), "250 OK");
    auto message = ben->WaitEvent("MESSAGE");
    ASSERT_TRUE(message);
    const WireEvent expected = {"MESSAGE",
                                "SessionId: " + session,
                                "From: anna@example.com",
                                "MIME-Version: 1.0",
                                "Content-Type: text/plain; charset=\"utf-8\"",
                                "",
                                "Hello Ben",
                                ".starts with a dot",
                                ".",
                                ""};
    EXPECT_EQ(*message, expected);

    EXPECT_EQ(
        ben->Exchange("INVITE", {{"SessionId", session}, {"Email", "carla@example.com"}}).status,
        "250 OK");
    EXPECT_EQ(
        ben->Exchange("INVITE", {{"SessionId", session}, {"Email", "anna@example.com"}}).Code(),
        "552");
    auto joined = carla->WaitEvent("SESSION");
    ASSERT_TRUE(joined);
    EXPECT_EQ(EventHeader(*joined, "Email"), "anna@example.com,ben@example.com,carla@example.com");

    EXPECT_EQ(carla->Exchange("LEAVE", {{"SessionId", session}}).status, "250 OK");
    auto left = anna->WaitEvent("SESSION");
    while (left && EventHeader(*left, "Email").find("carla") != std::string::npos)
        left = anna->WaitEvent("SESSION");
    ASSERT_TRUE(left);
    EXPECT_EQ(EventHeader(*left, "Email"), "anna@example.com,ben@example.com");
    EXPECT_EQ(Im(*carla, session, {"late"}).substr(0, 3), "550");
    EXPECT_EQ(carla->Exchange("LEAVE", {{"SessionId", session}}).Code(), "550");
}

TEST_F(SessionsTest, ReplyComesBeforeTheEventsItCaused)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    auto ben = LoggedOn("ben@example.com", "ben123");
    anna->SendRaw(FormatRequest("INVITE", {{"Email", "ben@example.com"}}), true);
    auto reply = anna->ReadReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Code(), "250");
    EXPECT_TRUE(anna->WaitEvent("SESSION"));
    // VERSION, the challenge, LOGON, INVITE, and only then the SESSION event it caused.
    EXPECT_EQ(anna->Reader().Order(), "RRRRE");
}

TEST_F(SessionsTest, EchoAnswersWithTheSameText)
{
    auto carla = LoggedOn("carla@example.com", "carla123");
    const WireReply invite = carla->Exchange("INVITE", {{"Email", "echo@example.com"}});
    ASSERT_EQ(invite.Code(), "250");
    const std::string session = invite.status.substr(4);
    EXPECT_EQ(Im(*carla, session, {"ping", "..two dots"}), "250 OK");
    auto echo = carla->WaitEvent("MESSAGE");
    ASSERT_TRUE(echo);
    EXPECT_EQ(EventHeader(*echo, "From"), "echo@example.com");
    EXPECT_EQ(EventHeader(*echo, "SessionId"), session);
    ASSERT_GE(echo->size(), 2u);
    EXPECT_EQ((*echo)[echo->size() - 2], "ping");
    EXPECT_EQ((*echo)[echo->size() - 1], "..two dots");
}

TEST_F(SessionsTest, BlockedUserCannotInviteOrMessage)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    auto ben = LoggedOn("ben@example.com", "ben123");
    const std::string session =
        anna->Exchange("INVITE", {{"Email", "ben@example.com"}}).status.substr(4);
    ASSERT_EQ(ben->Exchange("CONTACT ADD", {{"Type", "BLOCKED"}, {"Id", "1"}}).status, "250 OK");
    WireReply reply;
    EXPECT_EQ(Im(*anna, session, {"hi"}, &reply), "250 OK");
    EXPECT_EQ(reply.data, std::vector<std::string>{"250-ben@example.com"});
    EXPECT_EQ(anna->Exchange("INVITE", {{"Email", "ben@example.com"}}).Code(), "550");
    // Ben still reaches Anna.
    EXPECT_EQ(Im(*ben, session, {"one way"}, &reply), "250 OK");
    EXPECT_TRUE(reply.data.empty());
    auto got = anna->WaitEvent("MESSAGE");
    ASSERT_TRUE(got);
    EXPECT_EQ(got->back(), "one way");
    // Anna sees Ben as offline from now on.
    const WireReply presence = anna->Exchange("SUBSCRIBE", {{"Email", "ben@example.com"}});
    ASSERT_EQ(presence.data.size(), 1u);
    EXPECT_NE(presence.data[0].find(":UNAVAILABLE:"), std::string::npos);
}

TEST_F(SessionsTest, OversizedMessageGets554AndNothingIsDelivered)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    auto ben = LoggedOn("ben@example.com", "ben123");
    const std::string session =
        anna->Exchange("INVITE", {{"Email", "ben@example.com"}}).status.substr(4);
    ASSERT_TRUE(ben->WaitEvent("SESSION"));
    const std::vector<std::string> big(1100, std::string(1000, 'b'));
    EXPECT_EQ(Im(*anna, session, big).substr(0, 3), "554");
    EXPECT_FALSE(ben->ReadEvent(200ms).has_value());
    EXPECT_EQ(Im(*anna, session, {"small"}), "250 OK");
}

TEST_F(SessionsTest, OfflineMessagesGoToTheOutboxAndEmailRaisesTheMailCount)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    auto ben = LoggedOn("ben@example.com", "ben123");
    EXPECT_EQ(ben->Exchange("KA", {{"Activity", "1"}}).status, "250 0");
    const WireReply sent = anna->Exchange("MESSAGE",
                                          {{"MessageType", "email"},
                                           {"To", "ben@example.com"},
                                           {"From", "anna@example.com"},
                                           {"Subject", "Lunch"},
                                           {"MIME-Version", "1.0"},
                                           {"Content-Type", "text/plain; charset=\"utf-8\""}},
                                          {"Shall we?", ".dot"});
    EXPECT_EQ(sent.status, "250 OK");
    auto mail = ben->WaitEvent("NEW MAIL");
    ASSERT_TRUE(mail);
    EXPECT_EQ(EventHeader(*mail, "Recent"), "1");
    EXPECT_EQ(ben->Exchange("KA", {{"Activity", "1"}}).status, "250 1");

    EXPECT_EQ(
        anna->Exchange("MESSAGE", {{"MessageType", "sms"}, {"To", "+44 1"}}, {"Call me"}).status,
        "250 OK");
    EXPECT_EQ(anna->Exchange("MESSAGE", {{"MessageType", "sms"}, {"To", "+44 1"}},
                             {std::string(161, 's')})
                  .Code(),
              "554");
    // Ben's account allows neither SMS nor pager messages.
    EXPECT_EQ(ben->Exchange("MESSAGE", {{"MessageType", "pager"}, {"To", "1"}}, {"x"}).Code(),
              "550");

    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(outbox_))
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 2u);
    std::ifstream in(files[0], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "MessageType: email\r\nTo: ben@example.com\r\nFrom: anna@example.com\r\n"
                          "Subject: Lunch\r\nMIME-Version: 1.0\r\n"
                          "Content-Type: text/plain; charset=\"utf-8\"\r\n\r\n"
                          "Shall we?\r\n.dot\r\n");
    EXPECT_NE(files[1].find("sms"), std::string::npos);
}

TEST_F(SessionsTest, LeavingAndDisconnectingEndTheSessionForTheOthers)
{
    auto anna = LoggedOn("anna@example.com", "anna123");
    auto ben = LoggedOn("ben@example.com", "ben123");
    const std::string session =
        anna->Exchange("INVITE", {{"Email", "ben@example.com"}}).status.substr(4);
    ASSERT_TRUE(ben->WaitEvent("SESSION"));
    anna.reset();
    auto left = ben->WaitEvent("SESSION");
    ASSERT_TRUE(left);
    EXPECT_EQ(EventHeader(*left, "Email"), "ben@example.com");
    EXPECT_EQ(ben->Exchange("INVITE", {{"Email", "anna@example.com"}}).Code(), "550")
        << "an offline user cannot be invited";
}

} // namespace
} // namespace zep::devserver::test
