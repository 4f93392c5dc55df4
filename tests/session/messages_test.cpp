#include "session/messages.h"
#include "tests/support/qt_wait.h"

#include <QObject>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace zep {
namespace {

class Recorder : public QObject, public MessageReceiver
{
public:
    std::intptr_t OnRegisteredMessage(MessageId id, std::intptr_t w, std::intptr_t l) override
    {
        seen.push_back({id, w, l});
        return w + l;
    }
    struct Seen
    {
        MessageId id;
        std::intptr_t w, l;
    };
    std::vector<Seen> seen;
};

TEST(RegisteredMessages, NamesCarryTheSuffixAndMapToOneNumberEach)
{
    const MessageId logon = uwm::Logon();
    EXPECT_EQ(MessageName(logon), "UWM_LOGON-{6b8c4821-e6a4-11D1-8370-00aa005c0507}");
    EXPECT_EQ(RegisterMessage("UWM_LOGON"), logon);
    EXPECT_EQ(RegisterMessage("UWM_LOGON-{6b8c4821-e6a4-11D1-8370-00aa005c0507}"), logon);
    EXPECT_NE(uwm::LogonComplete(), logon);
    EXPECT_NE(uwm::LogonFailed(), uwm::ConnectFailed());
    EXPECT_EQ(MessageName(uwm::VersionCheckFailed()),
              "UWM_VERSION_CHECK_FAILED-{6b8c4821-e6a4-11D1-8370-00aa005c0507}");
    EXPECT_EQ(MessageName(12345), "");
}

TEST(RegisteredMessages, RegistrationFromManyThreadsAgrees)
{
    std::vector<MessageId> ids(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < ids.size(); ++i)
        threads.emplace_back([&ids, i] { ids[i] = RegisterMessage("UWM_TEST_CONCURRENT"); });
    for (auto& t : threads)
        t.join();
    for (MessageId id : ids)
        EXPECT_EQ(id, ids[0]);
}

TEST(RegisteredMessages, PostedFromAWorkerArrivesOnTheTargetsThreadInOrder)
{
    Recorder r;
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i)
            PostRegisteredMessage(&r, uwm::Logon(), i, 7);
    });
    worker.join();
    EXPECT_TRUE(r.seen.empty()) << "posting never runs the handler on the sender's thread";
    ASSERT_TRUE(test::WaitUntil([&] { return r.seen.size() == 5; }));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(r.seen[i].w, i);
}

TEST(RegisteredMessages, PostToADestroyedTargetIsDropped)
{
    static int handled = 0;
    struct Counting : QObject, MessageReceiver
    {
        std::intptr_t OnRegisteredMessage(MessageId, std::intptr_t, std::intptr_t) override
        {
            return ++handled;
        }
    };
    auto dying = std::make_unique<Counting>();
    Counting alive;
    PostRegisteredMessage(dying.get(), uwm::Logon(), 1, 0);
    dying.reset();
    PostRegisteredMessage(&alive, uwm::Logon(), 1, 0);
    ASSERT_TRUE(test::WaitUntil([] { return handled > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 1) << "only the live target's message ran";
}

TEST(RegisteredMessages, SendWaitsForTheHandlersResult)
{
    Recorder r;
    std::optional<std::intptr_t> result;
    std::thread worker([&] { result = SendRegisteredMessage(&r, uwm::Logoff(), 40, 2); });
    ASSERT_TRUE(test::WaitUntil([&] { return !r.seen.empty(); }));
    worker.join();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, 42);
}

TEST(RegisteredMessages, SendGivesUpWhenTheSenderIsStopped)
{
    // The target's thread is busy (it never runs its event loop here), as a view waiting to stop
    // the sender would be.
    Recorder r;
    std::stop_source stop;
    std::optional<std::intptr_t> result = 1;
    std::thread worker(
        [&] { result = SendRegisteredMessage(&r, uwm::AsyncCommand(), 1, 1, stop.get_token()); });
    stop.request_stop();
    worker.join();
    EXPECT_FALSE(result.has_value());
}

TEST(RegisteredMessages, AQueuedCallThatNeverRunsWakesTheSender)
{
    // The queued call dies with its target (or with the application) without running; the
    // sender must not wait for ever (the RPC service waits here holding its lock).
    auto sent = detail::NewSentMessage();
    auto guard = std::make_shared<detail::SentGuard>(sent);
    std::optional<std::intptr_t> result = 1;
    std::atomic<bool> waiting{false};
    std::thread sender([&] {
        waiting = true;
        result = detail::AwaitSentMessage(*sent, {});
    });
    ASSERT_TRUE(test::WaitUntil([&] { return waiting.load(); }));
    guard.reset();
    sender.join();
    EXPECT_FALSE(result.has_value());

    // A queued call destroyed with its target releases its guard the same way.
    auto dropped = detail::NewSentMessage();
    {
        auto target = std::make_unique<Recorder>();
        auto carried = std::make_shared<detail::SentGuard>(dropped);
        QMetaObject::invokeMethod(
            target.get(), [carried] { carried->Complete(7); }, Qt::QueuedConnection);
        carried.reset();
    }
    EXPECT_FALSE(detail::AwaitSentMessage(*dropped, {}).has_value());
}

} // namespace
} // namespace zep
