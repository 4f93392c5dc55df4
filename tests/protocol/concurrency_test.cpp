// The event reader and requests on other threads share one connection.

#include "protocol/framing.h"
#include "tests/fixtures/fake_server.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <sys/socket.h>
#include <thread>

namespace zep {
namespace {

using Clock = std::chrono::steady_clock;

// The receive thread's loop: wait for data without locks, then read under the application lock.
class Reader
{
public:
    Reader(ImConnection& conn, std::mutex& appLock, int waitCode)
        : m_thread([this, &conn, &appLock, waitCode] {
              while (!m_stop) {
                  if (ImWaitEvent(conn, waitCode) == ImResult::ConnectionClosed)
                      break;
                  std::lock_guard<std::mutex> guard(appLock);
                  LineList event;
                  ImResult r = ImReadEvent(conn, event);
                  if (r == ImResult::Ok)
                      ++events;
                  else if (r == ImResult::ConnectionClosed || r == ImResult::TransferFailed)
                      break;
              }
          })
    {
    }
    ~Reader() { Stop(); }
    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::atomic<int> events{0};

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(Concurrency, RequestsDoNotWaitBehindTheReadersIdleWait)
{
    SetDefaultTimeouts(5, 5);
    test::FakeServer server;
    server.Send("S 220 hi\r\n");
    for (int i = 0; i < 5; ++i)
        server.Answer(test::Reply({"250 OK"}) + test::Event({"NEW MAIL", "Recent: 1"}));
    server.Hold();
    server.Start();
    ImConnection conn;
    ASSERT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::Ok);
    std::mutex appLock;
    // The reader idles in waits of 3 s; a request must not sit behind one.
    Reader reader(conn, appLock, 3);
    for (int i = 0; i < 5; ++i) {
        auto start = Clock::now();
        LineList reply;
        {
            std::lock_guard<std::mutex> guard(appLock);
            ASSERT_EQ(ImExchange(conn, "KA\r\nActivity: 1\r\n.\r\n", reply), ImResult::Ok);
        }
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    }
    // The events that came after each reply are handed out by the reader.
    for (int i = 0; i < 100 && reader.events < 5; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(reader.events, 5);
    server.Release();
    ImShutdown(conn); // wakes the reader out of its wait
    reader.Stop();
    SetDefaultTimeouts(240, 240);
}

TEST(Concurrency, FlagsAreReadableWhileTheLockIsHeld)
{
    ImConnection conn;
    std::lock_guard<std::recursive_mutex> held(conn.lock);
    std::atomic<bool> done{false};
    std::thread other([&] {
        EXPECT_FALSE(IsConnected(conn));
        EXPECT_FALSE(IsLoggedOn(conn));
        done = true;
    });
    other.join();
    EXPECT_TRUE(done);
}

TEST(Caps, EndlessEventLineFailsWithoutExhaustingMemory)
{
    SetDefaultTimeouts(5, 5);
    test::FakeServer server;
    server.Send("S 220 hi\r\nA PRESENCE\r\nA Email: ")
        .Do([](int fd) {
            std::string block(1 << 20, 'x');
            for (int i = 0; i < 70; ++i)
                if (::send(fd, block.data(), block.size(), MSG_NOSIGNAL) <= 0)
                    return;
        })
        .Hold();
    server.Start();
    ImConnection conn;
    ASSERT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::Ok);
    ImResult r = ImResult::NothingPending;
    for (int i = 0; i < 10000 && r == ImResult::NothingPending; ++i) {
        LineList event;
        ImWaitEvent(conn, kTimeout100ms);
        r = ImReadEvent(conn, event);
    }
    EXPECT_EQ(r, ImResult::TransferFailed);
    EXPECT_FALSE(IsConnected(conn));
    EXPECT_LE(conn.pendingInput.size(), kMaxAccumulatedBytes);
    server.Release();
    SetDefaultTimeouts(240, 240);
}

TEST(Caps, EndlessReplyFailsAndDisconnects)
{
    SetDefaultTimeouts(5, 5);
    test::FakeServer server;
    server.Send("S 220 hi\r\n")
        .ReadRequest()
        .Do([](int fd) {
            std::string block;
            for (int i = 0; i < 20000; ++i)
                block += "S 250-" + std::string(50, 'y') + "\r\n";
            for (int i = 0; i < 70; ++i)
                if (::send(fd, block.data(), block.size(), MSG_NOSIGNAL) <= 0)
                    return;
        })
        .Hold();
    server.Start();
    ImConnection conn;
    ASSERT_EQ(ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0), ImResult::Ok);
    LineList reply;
    EXPECT_EQ(ImExchange(conn, "LIST USERS\r\n.\r\n", reply), ImResult::TransferFailed);
    EXPECT_TRUE(reply.Empty());
    EXPECT_FALSE(IsConnected(conn));
    server.Release();
    SetDefaultTimeouts(240, 240);
}

} // namespace
} // namespace zep
