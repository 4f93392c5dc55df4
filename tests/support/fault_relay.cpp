#include "fault_relay.h"
#include "script_bookkeeping.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep::test {

namespace {

int ConnectLoopback(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

bool SendAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// No protocol line of either kind ends in it: a reply it replaces never completes.
constexpr char kGarbage[] = "\x16\x03\x01\x02\x00 \xff\xfe\xfd garbage\r\n"
                            "HTTP/1.1 200 OK\r\n\x01\x02\x03\x04\r\nS 2x5 \x7f\x80\x81 ?!";

} // namespace

struct FaultRelay::Link
{
    int client = -1;
    int server = -1;
    std::mutex write; // one writer to the client at a time
};

FaultRelay::FaultRelay(std::uint16_t target) : m_target(target)
{
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        return;
    m_listen = ListenOnLoopback(8, m_port);
    if (m_port == 0)
        return;
    m_accept = std::thread([this] { AcceptLoop(); });
}

FaultRelay::~FaultRelay()
{
    if (m_wake[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
    }
    if (m_accept.joinable())
        m_accept.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard guard(m_mutex);
        // A write blocked on a client that stopped reading returns.
        for (const auto& link : m_links)
            ::shutdown(link->client, SHUT_RDWR);
        threads.swap(m_threads);
    }
    for (std::thread& t : threads)
        t.join();
    for (const auto& link : m_links) {
        ::close(link->client);
        ::close(link->server);
    }
    for (int fd : {m_listen, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

void FaultRelay::Arm(Fault fault)
{
    std::lock_guard guard(m_mutex);
    m_armed = fault;
}

bool FaultRelay::Armed()
{
    std::lock_guard guard(m_mutex);
    return m_armed.has_value();
}

std::string FaultRelay::ClientBytes()
{
    std::lock_guard guard(m_mutex);
    return m_clientBytes;
}

bool FaultRelay::Inject(std::string bytes)
{
    std::lock_guard guard(m_mutex);
    if (m_links.empty())
        return false;
    std::shared_ptr<Link> link = m_links.back();
    m_threads.emplace_back([link, bytes = std::move(bytes)] {
        std::lock_guard write(link->write);
        SendAll(link->client, bytes.data(), bytes.size());
    });
    return true;
}

void FaultRelay::AcceptLoop()
{
    pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        auto link = std::make_shared<Link>();
        link->client = client;
        link->server = ConnectLoopback(m_target);
        int one = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++m_accepted;
        std::lock_guard guard(m_mutex);
        m_links.push_back(link);
        m_threads.emplace_back([this, link] { Pump(link); });
    }
}

void FaultRelay::ToClient(Link& link, const char* data, std::size_t size)
{
    std::lock_guard write(link.write);
    if (!m_byteByByte) {
        SendAll(link.client, data, size);
        return;
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (!SendAll(link.client, data + i, 1))
            return;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void FaultRelay::Pump(std::shared_ptr<Link> link)
{
    char buffer[16384];
    bool silent = false;
    pollfd fds[3] = {{link->client, POLLIN, 0}, {link->server, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    const int count = link->server >= 0 ? 3 : 1; // no server: the client finds a closed line
    while (count == 3) {
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[2].revents)
            break;
        if (fds[0].revents) {
            const ssize_t n = ::recv(link->client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            if (!silent) {
                {
                    std::lock_guard guard(m_mutex);
                    m_clientBytes.append(buffer, static_cast<std::size_t>(n));
                }
                if (!SendAll(link->server, buffer, static_cast<std::size_t>(n)))
                    break;
            }
        }
        if (fds[1].revents) {
            const ssize_t n = ::recv(link->server, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            if (silent)
                continue;
            std::optional<Fault> fault;
            {
                std::lock_guard guard(m_mutex);
                fault.swap(m_armed);
            }
            const auto size = static_cast<std::size_t>(n);
            if (!fault) {
                ToClient(*link, buffer, size);
            } else if (*fault == Fault::Close) {
                ToClient(*link, buffer, std::min<std::size_t>(size, 3)); // "S 2"
                break;
            } else if (*fault == Fault::Garbage) {
                ToClient(*link, kGarbage, sizeof kGarbage - 1);
            } else {
                silent = true;
            }
        }
    }
    ::shutdown(link->client, SHUT_RDWR);
    if (link->server >= 0)
        ::shutdown(link->server, SHUT_RDWR);
}

} // namespace zep::test
