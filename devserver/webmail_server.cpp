#include "devserver/webmail_server.h"

#include "devserver/net_server.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep::devserver {

namespace {
constexpr std::size_t kMaxConnections = 64;
} // namespace

struct WebmailServer::Conn
{
    int fd = -1;
    std::string in;
    std::string out;
    std::size_t sent = 0;
    bool answered = false;
    std::chrono::steady_clock::time_point deadline;
};

WebmailServer::WebmailServer(std::vector<WebmailAccount> accounts,
                             std::chrono::milliseconds requestTimeout)
    : accounts_(std::move(accounts)), timeout_(requestTimeout)
{
}

WebmailServer::~WebmailServer()
{
    Stop();
    Join();
    for (int fd : {listener_, wake_})
        if (fd >= 0)
            close(fd);
}

bool WebmailServer::Start(const std::string& listen, int port, std::string& error)
{
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_ < 0) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    listener_ = OpenTcpListener(listen, port, port_, error);
    if (listener_ < 0) {
        error = "webmail port: " + error;
        return false;
    }
    return true;
}

void WebmailServer::Run()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] { Loop(); });
}

void WebmailServer::Stop()
{
    stop_.store(true);
    if (wake_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wake_, &one, sizeof one);
    }
}

void WebmailServer::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void WebmailServer::Loop()
{
    std::vector<Conn> conns;
    std::vector<pollfd> fds;
    char buffer[4096];
    while (!stop_.load()) {
        fds.clear();
        fds.push_back({wake_, POLLIN, 0});
        // A full table stops accepting until a connection ends.
        fds.push_back(
            {listener_, static_cast<short>(conns.size() < kMaxConnections ? POLLIN : 0), 0});
        for (const Conn& c : conns)
            fds.push_back({c.fd, static_cast<short>(c.answered ? POLLOUT : POLLIN), 0});
        if (poll(fds.data(), fds.size(), 250) < 0 && errno != EINTR)
            break;
        const auto now = std::chrono::steady_clock::now();
        if ((fds[1].revents & POLLIN) != 0) {
            const int fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0)
                conns.push_back({fd, {}, {}, 0, false, now + timeout_});
        }
        for (std::size_t i = 0; i < conns.size(); ++i) {
            Conn& c = conns[i];
            const short revents =
                i + 2 < fds.size() && fds[i + 2].fd == c.fd ? fds[i + 2].revents : 0;
            bool done = now >= c.deadline;
            if (!done && !c.answered && (revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    done = n == 0 || (errno != EAGAIN && errno != EINTR);
                } else {
                    c.in.append(buffer, static_cast<std::size_t>(n));
                    HttpRequest request;
                    const HttpParseResult parsed = ParseHttpRequest(c.in, request);
                    if (parsed.state == HttpParse::Complete) {
                        c.out = WebmailResponse(request, accounts_);
                        c.answered = true;
                    } else if (parsed.state == HttpParse::Bad) {
                        c.out = HttpErrorResponse(parsed.status, parsed.why);
                        c.answered = true;
                    }
                }
            }
            if (!done && c.answered && (revents & (POLLOUT | POLLHUP | POLLERR)) != 0) {
                const ssize_t n =
                    send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
                if (n > 0)
                    c.sent += static_cast<std::size_t>(n);
                else if (errno != EAGAIN && errno != EINTR)
                    done = true;
                if (c.sent == c.out.size()) {
                    // One request a connection; what the browser sent beyond it is dropped.
                    shutdown(c.fd, SHUT_WR);
                    done = true;
                }
            }
            if (done) {
                close(c.fd);
                c.fd = -1;
            }
        }
        std::erase_if(conns, [](const Conn& c) { return c.fd < 0; });
    }
    for (Conn& c : conns)
        close(c.fd);
}

} // namespace zep::devserver
