#include "devserver/net_server.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep::devserver {

namespace {

constexpr ConnId kListenerId = 1;
constexpr ConnId kTlsListenerId = 2;
constexpr ConnId kWakeId = 3;
constexpr size_t kReadChunk = 64 * 1024;
constexpr int kReadsPerEvent = 16; // one busy client cannot starve the others

struct SslFree
{
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};

} // namespace

int OpenTcpListener(const std::string& address, int port, int& boundPort, std::string& error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (int rc = getaddrinfo(address.c_str(), service.c_str(), &hints, &found); rc != 0) {
        error = address + ": " + gai_strerror(rc);
        return -1;
    }
    int fd = -1;
    for (addrinfo* ai = found; ai != nullptr && fd < 0; ai = ai->ai_next) {
        fd = socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        const int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(fd, ai->ai_addr, ai->ai_addrlen) != 0 || listen(fd, 1024) != 0) {
            error = address + ":" + service + ": " + std::strerror(errno);
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd < 0)
        return -1;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    boundPort = bound.ss_family == AF_INET6
                    ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                    : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return fd;
}

struct NetServer::Conn
{
    ConnId id = 0;
    int fd = -1;
    std::unique_ptr<SSL, SslFree> ssl;
    bool handshaking = false;
    bool opened = false; // the core knows it
    bool dead = false;
    bool closeWhenFlushed = false;
    bool readClosed = false;
    bool reading = true;
    bool registered = false;
    unsigned interest = 0;
    std::string out;
    size_t outOffset = 0;
    bool dirty = false;
    std::chrono::steady_clock::time_point accepted;

    size_t Pending() const { return out.size() - outOffset; }
};

NetServer::NetServer(NetConfig config) : config_(std::move(config)), readBuffer_(kReadChunk) {}

NetServer::~NetServer()
{
    for (auto& [id, conn] : conns_) {
        (void)id;
        if (conn->fd >= 0)
            close(conn->fd);
    }
    for (int fd : {epoll_, wake_, listener_, tlsListener_}) {
        if (fd >= 0)
            close(fd);
    }
}

bool NetServer::Start(std::string& error)
{
    // A peer that resets its socket must not end the server through SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (epoll_ < 0 || wake_ < 0) {
        error = std::string("epoll: ") + std::strerror(errno);
        return false;
    }
    listener_ = OpenTcpListener(config_.listen, config_.port, port_, error);
    if (listener_ < 0)
        return false;
    if (config_.tlsPort >= 0 && config_.tls != nullptr) {
        tlsListener_ = OpenTcpListener(config_.listen, config_.tlsPort, tlsPort_, error);
        if (tlsListener_ < 0)
            return false;
    }
    auto watch = [this](int fd, ConnId id) {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = id;
        epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev);
    };
    watch(listener_, kListenerId);
    if (tlsListener_ >= 0)
        watch(tlsListener_, kTlsListenerId);
    watch(wake_, kWakeId);
    return true;
}

void NetServer::Stop()
{
    stop_.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wake_, &one, sizeof one);
}

void NetServer::Run()
{
    epoll_event events[256];
    lastTick_ = std::chrono::steady_clock::now();
    while (!stop_.load()) {
        const int n = epoll_wait(epoll_, events, 256, 250);
        if (n < 0 && errno != EINTR)
            break;
        for (int i = 0; i < n; ++i) {
            const ConnId id = events[i].data.u64;
            if (id == kListenerId) {
                Accept(listener_, false);
            } else if (id == kTlsListenerId) {
                Accept(tlsListener_, true);
            } else if (id == kWakeId) {
                std::uint64_t value = 0;
                [[maybe_unused]] ssize_t r = read(wake_, &value, sizeof value);
            } else {
                OnEvent(id, events[i].events);
            }
        }
        FlushDirty();
        Reap();
        Tick();
    }
    // Orderly end: tell the core every connection is gone, so nothing is left half-done.
    for (auto& [id, conn] : conns_) {
        (void)id;
        MarkDead(*conn);
    }
    Reap();
}

void NetServer::Accept(int listener, bool tls)
{
    for (int i = 0; i < 64; ++i) {
        const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return; // EAGAIN, or out of descriptors: the listener stays armed
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto conn = std::make_unique<Conn>();
        conn->id = nextId_++;
        conn->fd = fd;
        conn->accepted = std::chrono::steady_clock::now();
        if (tls) {
            conn->ssl.reset(SSL_new(config_.tls));
            if (!conn->ssl || SSL_set_fd(conn->ssl.get(), fd) != 1) {
                ERR_clear_error();
                close(fd);
                continue;
            }
            SSL_set_accept_state(conn->ssl.get());
            conn->handshaking = true;
        }
        Conn& ref = *conn;
        conns_.emplace(ref.id, std::move(conn));
        UpdateInterest(ref);
        if (!ref.handshaking) {
            ref.opened = true;
            core_->Open(ref.id, std::chrono::steady_clock::now());
        }
    }
}

void NetServer::OnEvent(ConnId id, unsigned events)
{
    auto it = conns_.find(id);
    if (it == conns_.end() || it->second->dead)
        return;
    Conn& conn = *it->second;
    if (conn.handshaking) {
        Handshake(conn);
        return;
    }
    if (events & (EPOLLIN | EPOLLHUP | EPOLLERR))
        ReadFrom(conn);
    if (!conn.dead && (events & EPOLLOUT))
        WriteTo(conn);
}

void NetServer::Handshake(Conn& conn)
{
    ERR_clear_error();
    const int rc = SSL_accept(conn.ssl.get());
    if (rc == 1) {
        conn.handshaking = false;
        conn.opened = true;
        core_->Open(conn.id, std::chrono::steady_clock::now());
        UpdateInterest(conn);
        ReadFrom(conn); // the client may already have sent its first request
        return;
    }
    const int err = SSL_get_error(conn.ssl.get(), rc);
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
        UpdateInterest(conn);
        return;
    }
    ERR_clear_error();
    MarkDead(conn);
}

void NetServer::ReadFrom(Conn& conn)
{
    const auto now = std::chrono::steady_clock::now();
    for (int reads = 0; !conn.dead && !conn.readClosed && conn.reading; ++reads) {
        ssize_t n = 0;
        if (conn.ssl) {
            ERR_clear_error();
            const int rc =
                SSL_read(conn.ssl.get(), readBuffer_.data(), static_cast<int>(readBuffer_.size()));
            if (rc > 0) {
                n = rc;
            } else {
                const int err = SSL_get_error(conn.ssl.get(), rc);
                if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE)
                    break;
                ERR_clear_error();
                if (err == SSL_ERROR_ZERO_RETURN) {
                    n = 0;
                } else {
                    MarkDead(conn);
                    return;
                }
            }
        } else {
            if (reads >= kReadsPerEvent)
                break; // level-triggered: the rest is read on the next round
            n = recv(conn.fd, readBuffer_.data(), readBuffer_.size(), 0);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    break;
                MarkDead(conn);
                return;
            }
        }
        if (n == 0) {
            conn.readClosed = true;
            core_->PeerClosed(conn.id, now);
            break;
        }
        core_->Received(conn.id, std::string_view(readBuffer_.data(), static_cast<size_t>(n)), now);
        if (conn.dead)
            return;
        conn.reading = core_->WantsInput(conn.id);
    }
    if (!conn.dead)
        UpdateInterest(conn);
}

void NetServer::WriteTo(Conn& conn)
{
    while (!conn.dead && conn.Pending() > 0 && !conn.handshaking) {
        const char* data = conn.out.data() + conn.outOffset;
        const size_t size = conn.Pending();
        ssize_t n = 0;
        if (conn.ssl) {
            ERR_clear_error();
            const int rc =
                SSL_write(conn.ssl.get(), data, static_cast<int>(std::min<size_t>(size, 1 << 20)));
            if (rc <= 0) {
                const int err = SSL_get_error(conn.ssl.get(), rc);
                if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE)
                    break;
                ERR_clear_error();
                MarkDead(conn);
                return;
            }
            n = rc;
        } else {
            n = send(conn.fd, data, size, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    break;
                MarkDead(conn);
                return;
            }
        }
        conn.outOffset += static_cast<size_t>(n);
    }
    if (conn.dead)
        return;
    if (conn.Pending() == 0) {
        conn.out.clear();
        conn.outOffset = 0;
        if (conn.out.capacity() > 256 * 1024)
            conn.out.shrink_to_fit(); // a burst does not pin its memory for the connection's life
        if (conn.closeWhenFlushed) {
            MarkDead(conn);
            return;
        }
    } else if (conn.outOffset > 1024 * 1024) {
        conn.out.erase(0, conn.outOffset);
        conn.outOffset = 0;
    }
    if (!conn.reading && !conn.readClosed && conn.opened) {
        const auto now = std::chrono::steady_clock::now();
        core_->Resume(conn.id, now);
        if (conn.dead)
            return;
        conn.reading = core_->WantsInput(conn.id);
        if (conn.reading && conn.ssl)
            ReadFrom(conn); // TLS may hold decrypted bytes the socket no longer signals
    }
    if (!conn.dead)
        UpdateInterest(conn);
}

void NetServer::UpdateInterest(Conn& conn)
{
    unsigned want = 0;
    if (conn.handshaking) {
        want = EPOLLIN;
        if (SSL_want_write(conn.ssl.get()))
            want |= EPOLLOUT;
    } else {
        if (conn.reading && !conn.readClosed)
            want |= EPOLLIN;
        if (conn.Pending() > 0)
            want |= EPOLLOUT;
    }
    if (conn.registered && want == conn.interest)
        return;
    epoll_event ev{};
    ev.events = want;
    ev.data.u64 = conn.id;
    epoll_ctl(epoll_, conn.registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, conn.fd, &ev);
    conn.registered = true;
    conn.interest = want;
}

void NetServer::MarkDead(Conn& conn)
{
    if (conn.dead)
        return;
    conn.dead = true;
    dead_.push_back(conn.id);
}

void NetServer::Reap()
{
    while (!dead_.empty()) {
        std::vector<ConnId> batch;
        batch.swap(dead_);
        for (ConnId id : batch) {
            auto it = conns_.find(id);
            if (it == conns_.end())
                continue;
            std::unique_ptr<Conn> conn = std::move(it->second);
            conns_.erase(it);
            epoll_ctl(epoll_, EPOLL_CTL_DEL, conn->fd, nullptr);
            if (conn->ssl && !conn->handshaking) {
                SSL_shutdown(conn->ssl.get()); // best effort; the socket closes either way
                ERR_clear_error();
            }
            close(conn->fd);
            conn->fd = -1;
            // The core may send events to others here (presence, sessions); they are queued.
            if (conn->opened)
                core_->Closed(id, std::chrono::steady_clock::now());
        }
        FlushDirty();
    }
}

void NetServer::FlushDirty()
{
    while (!dirty_.empty()) {
        std::vector<ConnId> batch;
        batch.swap(dirty_);
        for (ConnId id : batch) {
            auto it = conns_.find(id);
            if (it == conns_.end())
                continue;
            Conn& conn = *it->second;
            conn.dirty = false;
            if (!conn.dead)
                WriteTo(conn);
        }
    }
}

void NetServer::Tick()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTick_ < std::chrono::seconds(1))
        return;
    lastTick_ = now;
    for (auto& [id, conn] : conns_) {
        (void)id;
        // A TLS client that never finishes its handshake must not keep a descriptor forever.
        if (conn->handshaking && now - conn->accepted > config_.handshakeTimeout)
            MarkDead(*conn);
    }
    core_->Tick(now);
    FlushDirty();
    Reap();
}

void NetServer::Send(ConnId id, std::string_view bytes)
{
    auto it = conns_.find(id);
    if (it == conns_.end() || it->second->dead || it->second->closeWhenFlushed)
        return;
    Conn& conn = *it->second;
    conn.out.append(bytes);
    if (!conn.dirty) {
        conn.dirty = true;
        dirty_.push_back(id);
    }
}

size_t NetServer::Backlog(ConnId id) const
{
    auto it = conns_.find(id);
    return it == conns_.end() ? 0 : it->second->Pending();
}

void NetServer::Close(ConnId id)
{
    auto it = conns_.find(id);
    if (it == conns_.end() || it->second->dead)
        return;
    Conn& conn = *it->second;
    conn.closeWhenFlushed = true;
    conn.reading = false;
    if (!conn.dirty) {
        conn.dirty = true;
        dirty_.push_back(id);
    }
}

void NetServer::Abort(ConnId id)
{
    auto it = conns_.find(id);
    if (it != conns_.end())
        MarkDead(*it->second);
}

} // namespace zep::devserver
