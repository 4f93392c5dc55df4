// The protocol core on a fake sink and a clock of the test's own: automatic away, session
// time-out, back-pressure and slow readers.
#include "devserver/core.h"
#include "wire_client.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace zep::devserver {
namespace {

using test::WireEvent;
using test::WireReader;
using test::WireReply;
using namespace std::chrono_literals;

class FakeSink : public CoreSink
{
public:
    void Send(ConnId id, std::string_view bytes) override
    {
        if (!greeted_.count(id)) {
            // The greeting is a line of its own ahead of every reply.
            const size_t eol = bytes.find("\r\n");
            greetings[id] = std::string(bytes.substr(0, eol));
            greeted_.insert(id);
            bytes.remove_prefix(eol + 2);
        }
        readers[id].Feed(bytes);
    }
    size_t Backlog(ConnId id) const override
    {
        auto it = backlog.find(id);
        return it == backlog.end() ? 0 : it->second;
    }
    void Close(ConnId id) override { closed.insert(id); }
    void Abort(ConnId id) override { aborted.insert(id); }

    std::map<ConnId, WireReader> readers;
    std::map<ConnId, std::string> greetings;
    std::map<ConnId, size_t> backlog;
    std::set<ConnId> closed;
    std::set<ConnId> aborted;

private:
    std::set<ConnId> greeted_;
};

class CoreTest : public ::testing::Test
{
protected:
    CoreTest() : core_(MakeConfig(), DemoUsers(), sink_) {}

    static CoreConfig MakeConfig()
    {
        CoreConfig config;
        config.sessionTimeout = 600s;
        return config;
    }

    struct Client
    {
        ConnId id;
        test::ClientAuth auth;
    };

    Client& Connect(ConnId id)
    {
        core_.Open(id, now_);
        clients_[id].id = id;
        return clients_[id];
    }

    WireReply Exchange(Client& c, const std::string& command, const test::Headers& headers = {},
                       const std::vector<std::string>& body = {})
    {
        WireReply reply;
        for (int attempt = 0; attempt < 2; ++attempt) {
            core_.Received(c.id, c.auth.Apply(test::FormatRequest(command, headers, body)), now_);
            auto got = sink_.readers[c.id].TakeReply();
            if (!got)
                return WireReply{{}, "none"};
            reply = *got;
            if (reply.Code() != "401")
                return reply;
            c.auth.Record(reply);
        }
        return reply;
    }

    Client& Logon(ConnId id, const std::string& email, const std::string& password)
    {
        Client& c = Connect(id);
        c.auth.SetUser(email, password);
        EXPECT_EQ(Exchange(c, "LOGON", {{"Email", email}}).status, "250 OK");
        return c;
    }

    std::vector<WireEvent> Events(ConnId id)
    {
        std::vector<WireEvent> out;
        while (auto e = sink_.readers[id].TakeEvent())
            out.push_back(*e);
        return out;
    }

    static std::string Header(const WireEvent& e, const std::string& name)
    {
        for (const std::string& line : e) {
            if (line.rfind(name + ": ", 0) == 0)
                return line.substr(name.size() + 2);
        }
        return "<absent>";
    }

    FakeSink sink_;
    ServerCore core_;
    TimePoint now_ = TimePoint() + 1000h;
    std::map<ConnId, Client> clients_;
};

TEST_F(CoreTest, AwayAfterTheAwayTimeOfUnchangedActivityAndBackWhenItChanges)
{
    Client& anna = Logon(1, "anna@example.com", "anna123");
    Client& ben = Logon(2, "ben@example.com", "ben123");
    ASSERT_EQ(Exchange(ben, "SUBSCRIBE", {{"Email", "anna@example.com"}}).data.size(), 1u);
    ASSERT_EQ(Exchange(anna, "PRESENCE", {{"Status", "AVAILABLE"}, {"SubStatus", "LUNCH"}}).status,
              "250 OK");
    Events(1);
    Events(2);

    EXPECT_EQ(Exchange(anna, "KA", {{"Activity", "100"}}).status, "250 2");
    now_ += 2min;
    EXPECT_EQ(Exchange(anna, "KA", {{"Activity", "100"}}).Code(), "250");
    core_.Tick(now_);
    EXPECT_TRUE(Events(1).empty());

    now_ += 1min;
    core_.Tick(now_);
    auto own = Events(1);
    auto seen = Events(2);
    ASSERT_EQ(own.size(), 1u);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(Header(own[0], "Email"), "anna@example.com");
    EXPECT_EQ(Header(own[0], "SubStatus"), "XA");
    EXPECT_EQ(Header(seen[0], "SubStatus"), "XA");
    EXPECT_EQ(Header(seen[0], "Status"), "AVAILABLE");

    // Unchanged activity keeps the away state without repeating the event.
    now_ += 1min;
    Exchange(anna, "KA", {{"Activity", "100"}});
    core_.Tick(now_);
    EXPECT_TRUE(Events(1).empty());

    Exchange(anna, "KA", {{"Activity", "-5"}});
    own = Events(1);
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(Header(own[0], "SubStatus"), "LUNCH");
    ASSERT_EQ(Events(2).size(), 1u);
}

TEST_F(CoreTest, AwayTimeAndShowAwayVariablesAreHonoured)
{
    Client& anna = Logon(1, "anna@example.com", "anna123");
    Exchange(anna, "SET VARIABLE", {{"IMShowAway", "1"}, {"IMAwayTime", "5"}});
    Exchange(anna, "KA", {{"Activity", "1"}});
    now_ += 4min;
    core_.Tick(now_);
    EXPECT_TRUE(Events(1).empty());
    now_ += 1min;
    core_.Tick(now_);
    EXPECT_EQ(Events(1).size(), 1u);

    Client& ben = Logon(2, "ben@example.com", "ben123");
    Exchange(ben, "SET VARIABLE", {{"IMShowAway", "0"}, {"IMAwayTime", "1"}});
    const WireReply vars = Exchange(ben, "GET VARIABLE");
    EXPECT_NE(std::find(vars.data.begin(), vars.data.end(), "IMAwayTime: 3"), vars.data.end())
        << "values below 3 minutes become 3";
    Exchange(ben, "KA", {{"Activity", "1"}});
    now_ += 60min;
    core_.Tick(now_);
    EXPECT_TRUE(Events(2).empty());
}

TEST_F(CoreTest, SessionTimesOutAfterTheTimeOutWithoutMessages)
{
    Client& anna = Logon(1, "anna@example.com", "anna123");
    Logon(2, "ben@example.com", "ben123");
    const WireReply invite = Exchange(anna, "INVITE", {{"Email", "ben@example.com"}});
    ASSERT_EQ(invite.Code(), "250");
    const std::string session = invite.status.substr(4);
    Events(1);
    Events(2);

    now_ += 500s;
    core_.Tick(now_);
    Exchange(anna, "MESSAGE", {{"MessageType", "im"}, {"SessionId", session}}, {"hi"});
    ASSERT_EQ(Events(2).size(), 1u);
    now_ += 599s;
    core_.Tick(now_);
    EXPECT_TRUE(Events(1).empty());
    now_ += 1s;
    core_.Tick(now_);
    for (ConnId id : {1, 2}) {
        auto events = Events(id);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0][0], "SESSION TIMEOUT");
        EXPECT_EQ(Header(events[0], "SessionId"), session);
    }
    EXPECT_EQ(
        Exchange(anna, "MESSAGE", {{"MessageType", "im"}, {"SessionId", session}}, {"x"}).Code(),
        "550");
}

TEST_F(CoreTest, RequestsWaitWhileTheClientHasNotReadItsReplies)
{
    Client& anna = Logon(1, "anna@example.com", "anna123");
    sink_.backlog[1] = 2 * 1024 * 1024;
    EXPECT_FALSE(core_.WantsInput(1));
    core_.Received(1, anna.auth.Apply(test::FormatRequest("KA", {{"Activity", "1"}})), now_);
    EXPECT_FALSE(sink_.readers[1].TakeReply().has_value());
    sink_.backlog[1] = 0;
    EXPECT_TRUE(core_.WantsInput(1));
    core_.Resume(1, now_);
    auto reply = sink_.readers[1].TakeReply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->status, "250 2");
}

TEST_F(CoreTest, AReaderFarBehindMissesMessagesAndIsDroppedOnTheNextEvent)
{
    Client& anna = Logon(1, "anna@example.com", "anna123");
    Client& ben = Logon(2, "ben@example.com", "ben123");
    Exchange(ben, "SUBSCRIBE", {{"Email", "anna@example.com"}});
    const std::string session =
        Exchange(anna, "INVITE", {{"Email", "ben@example.com"}}).status.substr(4);
    sink_.backlog[2] = 64 * 1024 * 1024;
    const WireReply sent =
        Exchange(anna, "MESSAGE", {{"MessageType", "im"}, {"SessionId", session}}, {"hello"});
    EXPECT_EQ(sent.status, "250 OK");
    EXPECT_EQ(sent.data, std::vector<std::string>{"250-ben@example.com"});
    Exchange(anna, "PRESENCE", {{"Status", "AVAILABLE"}, {"SubStatus", "DND"}});
    EXPECT_TRUE(sink_.aborted.count(2));
    EXPECT_FALSE(sink_.aborted.count(1));
}

TEST_F(CoreTest, HalfClosedClientGetsItsRepliesThenTheConnectionCloses)
{
    Connect(5);
    core_.Received(5, test::FormatRequest("VERSION", {}) + "VERS", now_);
    core_.PeerClosed(5, now_);
    auto reply = sink_.readers[5].TakeReply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->status, "250 4.0");
    EXPECT_TRUE(sink_.closed.count(5));
}

TEST_F(CoreTest, GreetingAndClosedConnectionLogsTheUserOff)
{
    Connect(7);
    EXPECT_EQ(sink_.greetings[7].rfind("S 220 ", 0), 0u);
    Logon(1, "anna@example.com", "anna123");
    Client& ben = Logon(2, "ben@example.com", "ben123");
    Exchange(ben, "SUBSCRIBE", {{"Email", "anna@example.com"}});
    EXPECT_EQ(core_.Stats().loggedOn, 2u);
    core_.Closed(1, now_);
    auto events = Events(2);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(Header(events[0], "Status"), "UNAVAILABLE");
    EXPECT_EQ(core_.Stats().loggedOn, 1u);
}

} // namespace
} // namespace zep::devserver
