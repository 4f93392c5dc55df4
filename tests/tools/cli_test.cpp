// zepim-cli run in-process against the scripted fake server: its requests, its output and
// its exit status.

#include "tests/support/fake_server.h"
#include "tools/cli_run.h"
#include "transport/timeouts.h"
#include "transport/tls.h"

#include <gtest/gtest.h>

#include <sstream>
#include <unistd.h>

namespace zep::cli {
namespace {

using test::Event;
using test::FakeServer;
using test::Reply;

const std::string kLogonReply =
    Reply({"250-1:Me:me%40x.org:%2B4477:0207:pg1:AVAILABLE::0:1:1:a:d:160:80", "250 OK"});

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDefaultTimeouts(5, 5);
        server.Send("S 220 ready\r\n").Answer(Reply({"250 4.0"})).Answer(kLogonReply);
    }
    void TearDown() override { SetDefaultTimeouts(240, 240); }

    int Run(std::vector<std::string> command, bool start = true)
    {
        if (start)
            server.Start();
        std::vector<std::string> args = {"--server", "127.0.0.1",
                                         "--port",   std::to_string(server.Port()),
                                         "--email",  "me@x.org"};
        args.insert(args.end(), command.begin(), command.end());
        env.out = &out;
        env.err = &err;
        env.in = &in;
        env.getenv = [](const char* name) -> const char* {
            return std::string(name) == "ZEPIM_PASSWORD" ? "pw" : nullptr;
        };
        return RunCli(args, env);
    }
    // The requests after VERSION and LOGON.
    std::vector<std::string> Sent()
    {
        EXPECT_TRUE(server.Finish());
        std::vector<std::string> all = server.Requests();
        EXPECT_GE(all.size(), 2u);
        return {all.begin() + 2, all.end()};
    }

    FakeServer server;
    CliEnvironment env;
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
};

TEST_F(CliTest, ContactsSortedByNameWithPresence)
{
    server.Answer(Reply({"3:bob:bob%40x.org", "1:Alice:alice%40x.org", "2::zed%40x.org", "250 OK"}))
        .Answer(Reply({"250-bob%40x.org:AVAILABLE:LUNCH" + std::string(13, ':'),
                       "250-alice%40x.org:AVAILABLE:" + std::string(13, ':'), "250 OK"}));
    ASSERT_EQ(Run({"contacts"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "alice@x.org\tAVAILABLE\t\tAlice\n"
                         "bob@x.org\tAVAILABLE\tLUNCH\tbob\n"
                         "zed@x.org\tUNAVAILABLE\t\tzed\n");
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "LIST CONTACTS\r\nType: CONTACT\r\n.\r\n",
                          "SUBSCRIBE\r\nEmail: zed@x.org,alice@x.org,bob@x.org\r\n.\r\n"}));
}

TEST_F(CliTest, FailuresGiveOneLineAndExitOne)
{
    FakeServer refused;
    refused.Send("S 220 ready\r\n").Answer(Reply({"250 4.0"})).Answer(Reply({"535 no"}));
    refused.Start();
    env.out = &out;
    env.err = &err;
    env.getenv = [](const char*) -> const char* { return "pw"; };
    EXPECT_EQ(RunCli({"--server", "127.0.0.1", "--port", std::to_string(refused.Port()), "--email",
                      "me@x.org", "variables"},
                     env),
              kExitFailed);
    EXPECT_EQ(err.str(), "zepim-cli: logon: Failed (235)\n");

    err.str("");
    // An old server is refused before logging on.
    FakeServer old;
    old.Send("S 220 ready\r\n").Answer(Reply({"250 3.1"}));
    old.Start();
    EXPECT_EQ(RunCli({"--server", "127.0.0.1", "--port", std::to_string(old.Port()), "--email",
                      "me@x.org", "contacts"},
                     env),
              kExitFailed);
    EXPECT_EQ(err.str(), "zepim-cli: server protocol version \"3.1\" is not 4.0: Failed (235)\n");
}

TEST_F(CliTest, BadArgumentsGiveUsageAndExitTwoWithoutConnecting)
{
    for (std::vector<std::string> bad : {std::vector<std::string>{"fly"},
                                         {"send-im", "a@x.org"},
                                         {"status", "available"},
                                         {"status", "AVAILABLE", "NAP"},
                                         {"watch", "--seconds", "x"},
                                         {"set-variable", "NoSuch=1"},
                                         {"send-sms", "1", "  \n"},
                                         {"search", "\xff"}}) {
        err.str("");
        EXPECT_EQ(Run(bad, false), kExitUsage) << bad[0];
        EXPECT_NE(err.str().find("usage: zepim-cli"), std::string::npos);
    }
    env.getenv = nullptr;
    std::vector<std::string> args = {"--server", "h", "--email", "e", "contacts"};
    EXPECT_EQ(RunCli(args, env), kExitUsage);
    EXPECT_NE(err.str().find("ZEPIM_PASSWORD"), std::string::npos);
    // --help and --version answer on standard output with status 0, as programs do.
    for (const char* asked : {"--help", "-h", "--version"}) {
        out.str("");
        EXPECT_EQ(RunCli({asked}, env), 0) << asked;
        EXPECT_NE(out.str().find(std::string(asked) == "--version" ? "zepim-cli 18." : "usage:"),
                  std::string::npos)
            << asked;
    }
}

TEST_F(CliTest, SendImInvitesSendsBothRenderingsAndLeaves)
{
    server.Answer(Reply({"250 s42"}))
        .Answer(Reply({"251-bob@x.org", "250 OK"}))
        .Answer(Reply({"250 OK"}));
    ASSERT_EQ(Run({"send-im", "bob@x.org", ".dot first\nsecond"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Failed to send message to 'bob@x.org' - content unacceptable\n");
    std::vector<std::string> sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], "INVITE\r\nEmail: bob@x.org\r\n.\r\n");
    EXPECT_EQ(sent[2], "LEAVE\r\nSessionId: s42\r\n.\r\n");
    const std::string& m = sent[1];
    std::size_t b = m.find("boundary=\"==_");
    ASSERT_NE(b, std::string::npos);
    std::string boundary = m.substr(b + 10, m.find('"', b + 10) - b - 10);
    EXPECT_EQ(m, "MESSAGE\r\nMessageType: im\r\nSessionId: s42\r\nMIME-Version: 1.0\r\n"
                 "Content-Type: multipart/alternative; boundary=\"" +
                     boundary + "\"\r\n\r\n\r\n--" + boundary +
                     "\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n\r\n..dot first\r\nsecond"
                     "\r\n--" +
                     boundary + "\r\nContent-Type: text/richtext; charset=\"us-ascii\"\r\n\r\n" +
                     m.substr(m.find("{\\rtf1"), m.rfind("}\r\n") + 1 - m.find("{\\rtf1")) +
                     "\r\n--" + boundary + "\r\n.\r\n");
    EXPECT_NE(m.find(".dot first\\par\r\nsecond\\par\r\n}"), std::string::npos);
}

TEST_F(CliTest, OfflineMessagesCarryTheOfflineWindowHeaders)
{
    server.Answer(Reply({"250 OK"}));
    ASSERT_EQ(Run({"send-email", "bob@x.org", "Re: plans", "See you\r\n\r\n"}), kExitOk)
        << err.str();
    EXPECT_EQ(Sent(), std::vector<std::string>{
                          "MESSAGE\r\nMessageType: email\r\nTo: bob@x.org\r\nFrom: me@x.org\r\n"
                          "Subject: Re: plans\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; "
                          "charset=\"utf-8\"\r\n\r\nSee you\r\n.\r\n"});
}

TEST_F(CliTest, SmsComesFromTheOwnWorkMobile)
{
    server.Answer(Reply({"250 OK"}));
    ASSERT_EQ(Run({"send-sms", "+4478", "call me"}), kExitOk) << err.str();
    EXPECT_EQ(Sent(), std::vector<std::string>{"MESSAGE\r\nMessageType: sms\r\nTo: +4478\r\n"
                                               "From: +4477\r\n\r\ncall me\r\n.\r\n"});
}

TEST_F(CliTest, StatusWithCustomText)
{
    server.Answer(Reply({"250 OK"}));
    ASSERT_EQ(Run({"status", "AVAILABLE", "DND", "--custom", "busy busy"}), kExitOk);
    EXPECT_EQ(Sent(), std::vector<std::string>{"PRESENCE\r\nStatus: AVAILABLE\r\nSubStatus: DND\r\n"
                                               "CustomStatus: busy busy\r\n.\r\n"});
}

TEST_F(CliTest, SetVariableChangesOnlyTheNamedOnes)
{
    server.Answer(Reply({"IMAwayTime: 10", "IMShowAway: 1", "250 OK"})).Answer(Reply({"250 OK"}));
    ASSERT_EQ(Run({"set-variable", "imawaytime=25", "IMOfflineContactMethod=EMAIL"}), kExitOk);
    std::vector<std::string> sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1],
              "SET VARIABLE\r\nWebmailIMAvailability: \r\nIMShowAway: 1\r\n"
              "IMAwayTime: 25\r\nWebmailIMEmailTransaction: \r\nWebmailIMSendOnEnter: \r\n"
              "IMOnlineShowEmail: \r\nIMOnlineShowCalendar: \r\nIMOnlineCalendarStatus: "
              "\r\nIMOnlineShowLocation: \r\nIMOfflineShowEmail: \r\nIMOfflineShowCalendar: "
              "\r\nIMOfflineCalendarStatus: \r\nIMShowOfflineContactMethod: \r\n"
              "IMOfflineContactMethod: EMAIL\r\n.\r\n");
}

TEST_F(CliTest, DeleteAndBlockAsTheContactListDoes)
{
    server.Answer(Reply({"5:Bob:bob%40x.org", "250 OK"}))
        .Answer(Reply({"250 OK"}))
        .Answer(Reply({"250 OK"}));
    ASSERT_EQ(Run({"delete-contact", "BOB@x.org"}), kExitOk) << err.str();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"LIST CONTACTS\r\nType: CONTACT\r\n.\r\n",
                                                "UNSUBSCRIBE\r\nEmail: bob@x.org\r\n.\r\n",
                                                "CONTACT DEL\r\nId: 5\r\n.\r\n"}));
}

TEST_F(CliTest, BlockSomeoneWhoIsNoContact)
{
    server.Answer(Reply({"250 OK"}))
        .Answer(Reply({"8:Eve:eve%40x.org", "9:Eve2:eve2%40x.org", "250 OK"}))
        .Answer(Reply({"250 OK"}));
    ASSERT_EQ(Run({"block", "eve@x.org"}), kExitOk) << err.str();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"LIST CONTACTS\r\nType: CONTACT\r\n.\r\n",
                                                "LIST USERS\r\nSearchEmail: eve@x.org\r\n.\r\n",
                                                "CONTACT ADD\r\nType: BLOCKED\r\nId: 8\r\n.\r\n"}));
}

TEST(NewCertificate, PinnedOnlyWhenTheUserSaysYes)
{
    TlsPeerTrust trust;
    trust.host = "im.example.com";
    trust.port = 8368;
    trust.certificate.sha256 = "AB:CD";
    const struct
    {
        const char* name;
        bool acceptNew;
        bool terminal;
        const char* answer;
        bool accepted;
    } rows[] = {
        {"flag", true, false, "", true},          {"y", false, true, "y", true},
        {"YES", false, true, " YES\r", true},     {"no", false, true, "n", false},
        {"empty answer", false, true, "", false}, {"yes please", false, true, "yes please", false},
        {"no terminal", false, false, "", false},
    };
    for (const auto& row : rows) {
        std::ostringstream err;
        std::string asked;
        CliEnvironment env;
        env.err = &err;
        if (row.terminal)
            env.askTerminal = [&](const std::string& q) {
                asked = q;
                return std::optional<std::string>(row.answer);
            };
        EXPECT_EQ(AcceptNewCertificate(trust, row.acceptNew, env), row.accepted) << row.name;
        if (row.terminal) {
            EXPECT_NE(asked.find("im.example.com:8368"), std::string::npos) << asked;
            EXPECT_NE(asked.find("SHA-256 AB:CD\nTrust this server"), std::string::npos) << asked;
        }
        EXPECT_EQ(err.str().find("--accept-new-certificate") != std::string::npos,
                  !row.terminal && !row.acceptNew)
            << row.name;
    }
}

TEST_F(CliTest, WatchPrintsEventsAndEndsOnStop)
{
    int stop[2];
    ASSERT_EQ(pipe(stop), 0);
    ASSERT_EQ(write(stop[1], "x", 1), 1);
    env.stopFd = stop[0];
    // Nothing to subscribe: LIST CONTACTS is empty, and the events ride on its reply.
    server.Answer(Reply({"250 OK"}) + Event({"PRESENCE", "Email: a@x.org", "Status: AVAILABLE"}) +
                  Event({"MESSAGE", "SessionId: 1", "From: a@x.org", "Hi\\there", "..."}));
    int status = Run({"watch"});
    EXPECT_EQ(status, kExitOk) << err.str();
    EXPECT_EQ(out.str(), "READY\n"
                         "PRESENCE\tEmail=a@x.org\tStatus=AVAILABLE\n"
                         "MESSAGE\tSessionId=1\tFrom=a@x.org\ttext=Hi\\\\there\\r\\n...\n");
    close(stop[0]);
    close(stop[1]);
}

TEST_F(CliTest, WatchSendsKeepAlivesAndExitsOneWhenTheConnectionIsLost)
{
    env.keepAliveMs = 1;
    env.activity = [] { return 4242u; };
    server.Answer(Reply({"250 OK"})).Answer(Reply({"250 3"})).Close();
    EXPECT_EQ(Run({"watch", "--seconds", "30"}), kExitFailed);
    EXPECT_EQ(out.str(), "READY\n");
    EXPECT_EQ(err.str(), "zepim-cli: watch: ConnectionClosed (82)\n");
    EXPECT_EQ(Sent(), (std::vector<std::string>{"LIST CONTACTS\r\nType: CONTACT\r\n.\r\n",
                                                "KA\r\nActivity: 4242\r\n.\r\n"}));
}

TEST_F(CliTest, WatchDropsAServerThatFloodsWithEventLines)
{
    // An event that never ends, of long lines (fewer than a reply may hold): they would all
    // wait to be printed.
    std::string flood = "S 250 OK\r\nS .\r\nA NOTIFY\r\n";
    for (int i = 0; i < 20000; ++i)
        flood += "A " + std::string(1000, 'x') + "\r\n";
    server.ReadRequest().Send(flood).Hold();
    EXPECT_EQ(Run({"watch", "--seconds", "5"}), kExitFailed);
    server.Release();
    EXPECT_EQ(out.str(), "READY\n");
    EXPECT_NE(err.str().find("more event data than can wait to be printed"), std::string::npos)
        << err.str();
}

TEST_F(CliTest, WatchEndsAfterItsSeconds)
{
    server.Answer(Reply({"250 OK"}));
    EXPECT_EQ(Run({"watch", "--seconds", "0"}), kExitOk);
    EXPECT_EQ(out.str(), "READY\n");
}

} // namespace
} // namespace zep::cli
