// The event reader and requests on other threads share one connection.

#include "protocol/framing.h"
#include "protocol/requests.h"
#include "tests/support/fake_server.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCanLimitAddressSpace = false; // the sanitizers reserve terabytes up front
#else
constexpr bool kCanLimitAddressSpace = true;
#endif

// Runs `body` in a child whose address space may grow by `room` bytes only; its result is the
// child's exit status, or 128 + the signal that ended it.
int InChildWithRoom(std::size_t room, const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + room;
        const rlimit cap{limit, limit};
        if (kCanLimitAddressSpace)
            setrlimit(RLIMIT_AS, &cap);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// 64 MiB of lines that cost more as lines than as text: however little each holds, the reply
// or event fails, and memory stays within a quarter of a gigabyte.
TEST(Caps, ManyShortLinesFailWithinBoundedMemory)
{
    struct Row
    {
        const char* name;
        const char* prefix; // before the lines
        const char* line;
        const char* suffix;
        bool event;
    };
    const Row rows[] = {
        {"empty reply lines", "", "S \r\n", "S 250 OK\r\nS .\r\n", false},
        {"one-byte reply lines", "", "S x\r\n", "S 250 OK\r\nS .\r\n", false},
        {"an event of empty lines", "A NEW MAIL\r\n", "A \r\n", "A .\r\n", true},
        {"valid contact lines", "", "S 7:U:u%40x\r\n", "S 250 OK\r\nS .\r\n", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Made before the child starts, so the room is all the client's.
        std::string block;
        while (block.size() < (1u << 20))
            block += row.line;
        std::string all = row.prefix;
        for (int i = 0; i < 64; ++i)
            all += block;
        all += row.suffix;
        const int status = InChildWithRoom(256u << 20, [&row, &all] {
            SetDefaultTimeouts(5, 5);
            test::FakeServer server;
            server.Send("S 220 hi\r\n");
            if (!row.event)
                server.ReadRequest();
            server.Do([&all](int fd) { ::send(fd, all.data(), all.size(), MSG_NOSIGNAL); }).Hold();
            server.Start();
            ImConnection conn;
            if (ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0) != ImResult::Ok)
                return 2;
            ImResult r = ImResult::NothingPending;
            if (row.event) {
                for (int i = 0; i < 100000 && r == ImResult::NothingPending; ++i) {
                    LineList event;
                    ImWaitEvent(conn, kTimeout100ms);
                    r = ImReadEvent(conn, event);
                }
            } else {
                std::vector<ContactRecordUtf8> records;
                r = ImListContacts(conn, ListType::Contact, records);
            }
            server.Release();
            return r == ImResult::TransferFailed && !IsConnected(conn) ? 0 : 1;
        });
        EXPECT_EQ(status, 0) << "1: not refused, 128 + 6: aborted";
    }
}

} // namespace
} // namespace zep
