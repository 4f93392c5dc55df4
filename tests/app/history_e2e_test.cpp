// The conversation history of the zepim program on a zep-devserver: a damaged file found at
// logon is set aside, and a program killed in the middle of a conversation keeps everything but
// its last second.
#include "conversations/message_parts.h"
#include "protocol/requests.h"
#include "session/client_connection.h"
#include "session/history_store.h"
#include "tests/support/dev_server.h"
#include "tests/support/zepim_process.h"
#include "transport/im_connection.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace zep {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int SetAsideFiles(const QString& file)
{
    return QFileInfo(file).dir().entryList({QFileInfo(file).fileName() + ".broken-*"}).size();
}

TEST(HistoryProgram, ADamagedFileIsSetAsideAndAKilledProgramKeepsAllButItsLastSecond)
{
    test::ScratchHome home;
    test::DevServer server;
    ASSERT_TRUE(server.Up());
    const QString file = history::Store::FileFor("anna@example.com");
    QDir().mkpath(QFileInfo(file).path());
    {
        QFile damaged(file);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(8192, 'x'));
    }
    test::ZepimProcess program(home, server.Port());
    ASSERT_TRUE(program.StartLoggedOn()) << program.Process().Output();
    EXPECT_EQ(SetAsideFiles(file), 1);

    ClientConnection ben;
    ConnectSettings where;
    where.server = "127.0.0.1";
    where.port = static_cast<std::uint16_t>(server.Port());
    ASSERT_EQ(ben.Connect(where), 0);
    ASSERT_EQ(ben.Logon("ben@example.com", "ben123"), LogonAnswer::Accepted);
    std::string sessionId;
    ASSERT_EQ(ImInvite(*ben.Connection(), {"anna@example.com"}, sessionId), ImResult::Ok);

    // A message every 5 ms; the program is killed after 1.5 s while they keep coming.
    std::vector<Clock::time_point> sentAt;
    const Clock::time_point start = Clock::now();
    Clock::time_point killedAt{};
    while (Clock::now() - start < 2s) {
        if (killedAt == Clock::time_point{} && Clock::now() - start > 1500ms) {
            ::kill(program.Process().Pid(), SIGKILL);
            killedAt = Clock::now();
        }
        const std::string text = "line " + std::to_string(sentAt.size());
        const conversations::MessageParts parts =
            conversations::BuildMessageParts(sessionId, text, "", std::tm{});
        LineList reply;
        ASSERT_EQ(ImMessage(*ben.Connection(), "im", parts.headers, parts.body, reply),
                  ImResult::Ok);
        sentAt.push_back(Clock::now());
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_NE(program.Process().Wait(std::chrono::seconds(5)), -1);

    history::Store store;
    ASSERT_TRUE(store.Open("anna@example.com"));
    EXPECT_EQ(SetAsideFiles(file), 1) << "the killed program's file opens cleanly";
    QSet<QString> kept;
    for (const history::Entry& entry : store.Recent("ben@example.com", 10000))
        kept.insert(entry.text);
    int due = 0;
    std::string lost;
    for (std::size_t i = 0; i < sentAt.size() && sentAt[i] < killedAt - 1s; ++i, ++due)
        if (!kept.contains(QStringLiteral("line %1").arg(i)))
            lost += " " + std::to_string(i);
    EXPECT_EQ(lost, "") << "of " << due << " lines sent more than a second before the kill";
    EXPECT_GT(due, 50);
}

} // namespace
} // namespace zep
