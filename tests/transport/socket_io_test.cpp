// Sends and receives on plain sockets: would-block retries, time-outs, line reads.

#include "transport/socket_io.h"
#include "transport/timeouts.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zep {
namespace {

struct Pair
{
    Pair() { socketpair(AF_UNIX, SOCK_STREAM, 0, fd); }
    ~Pair()
    {
        ::close(fd[0]);
        ::close(fd[1]);
    }
    int fd[2]{-1, -1};
};

TEST(SendBytes, WouldBlockIsRetriedUntilAllIsSent)
{
    Pair p;
    int small = 4096;
    setsockopt(p.fd[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    std::string data(4 * 1024 * 1024, 'z');
    std::string got;
    std::thread reader([&] {
        char buf[65536];
        while (got.size() < data.size()) {
            ssize_t n = ::recv(p.fd[1], buf, sizeof buf, 0);
            if (n <= 0)
                break;
            got.append(buf, static_cast<std::size_t>(n));
        }
    });
    std::size_t sent = 0;
    EXPECT_EQ(SendBytes(0, nullptr, p.fd[0], 5, data.data(), data.size(), &sent), ImResult::Ok);
    reader.join();
    EXPECT_EQ(sent, data.size());
    EXPECT_EQ(got, data);
}

TEST(SendBytes, FullPeerTimesOut)
{
    Pair p;
    std::string data(8 * 1024 * 1024, 'z');
    std::size_t sent = 0;
    SetDefaultTimeouts(0.2, 0.2);
    EXPECT_EQ(SendBytes(0, nullptr, p.fd[0], kTimeoutDefault, data.data(), data.size(), &sent),
              ImResult::TimedOut);
    SetDefaultTimeouts(240, 240);
    EXPECT_LT(sent, data.size());
}

TEST(SendBytes, ClosedPeerIsTransferFailedNotASignal)
{
    Pair p;
    ::close(p.fd[1]);
    p.fd[1] = ::dup(2);
    std::size_t sent = 0;
    EXPECT_EQ(SendBytes(0, nullptr, p.fd[0], 1, "abc", 3, &sent), ImResult::TransferFailed);
}

TEST(ReceiveBytes, PollTimesOutAndCloseGivesZero)
{
    Pair p;
    char buf[16];
    std::size_t got = 99;
    EXPECT_EQ(ReceiveBytes(0, nullptr, p.fd[0], kTimeoutPoll, buf, sizeof buf, &got),
              ImResult::TimedOut);
    EXPECT_EQ(ReceiveBytes(0, nullptr, p.fd[0], kTimeout10ms, buf, sizeof buf, &got),
              ImResult::TimedOut);
    ::shutdown(p.fd[1], SHUT_WR);
    EXPECT_EQ(ReceiveBytes(0, nullptr, p.fd[0], 1, buf, sizeof buf, &got), ImResult::Ok);
    EXPECT_EQ(got, 0u);
}

TEST(ReceiveLine, CutsAtLineFeedAndKeepsTheRest)
{
    Pair p;
    std::string bytes = "S 220 hi\r\r\nA NEXT\r\n";
    ASSERT_EQ(::send(p.fd[1], bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    std::string line, carry;
    ASSERT_EQ(ReceiveLine(0, nullptr, p.fd[0], 1, line, 10240, &carry), ImResult::Ok);
    EXPECT_EQ(line, "S 220 hi");
    EXPECT_EQ(carry, "A NEXT\r\n");
    // The next line comes from the carry without touching the socket.
    ASSERT_EQ(ReceiveLine(0, nullptr, p.fd[0], kTimeoutPoll, line, 10240, &carry), ImResult::Ok);
    EXPECT_EQ(line, "A NEXT");
}

TEST(ReceiveLine, FullBufferWithoutLineFeedFails)
{
    Pair p;
    std::string bytes(100, 'x');
    ::send(p.fd[1], bytes.data(), bytes.size(), 0);
    std::string line;
    EXPECT_EQ(ReceiveLine(0, nullptr, p.fd[0], 1, line, 50), ImResult::TransferFailed);
}

TEST(ReceiveLine, PeerCloseIsTransferFailed)
{
    Pair p;
    ::send(p.fd[1], "S 2", 3, 0);
    ::shutdown(p.fd[1], SHUT_WR);
    std::string line;
    EXPECT_EQ(ReceiveLine(0, nullptr, p.fd[0], 1, line, 10240), ImResult::TransferFailed);
}

TEST(MaskCredentials, OnlyAuthorizationValues)
{
    EXPECT_EQ(MaskCredentials("Authorization: Digest username=\"a\",response=\"x\""),
              "Authorization: [hidden]");
    EXPECT_EQ(MaskCredentials("authorization: Basic YTpi"), "authorization: [hidden]");
    EXPECT_EQ(MaskCredentials("Email: a@b.c"), "Email: a@b.c");
}

} // namespace
} // namespace zep
