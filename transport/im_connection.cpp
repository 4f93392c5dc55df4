#include "transport/im_connection.h"

#include "transport/http_proxy.h"
#include "transport/log_writer.h"
#include "transport/resolve.h"
#include "transport/socket_io.h"
#include "transport/timeouts.h"
#include "transport/tls.h"

#include <openssl/ssl.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep {

namespace {

constexpr std::size_t kLineBufferSize = 10240;

// TLS writes go through write(2), which raises SIGPIPE on a closed peer; a messenger must see
// that as a failed send, not die of it.
void IgnoreSigpipeOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

// Non-blocking connect bounded by the send time-out; the connected socket or -1.
int ConnectBounded(const ResolvedAddress& address, long long timeoutMicros, int cancelFd,
                   int* error)
{
    int fd = ::socket(address.address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0)
        return fd;
    if (errno != EINPROGRESS) {
        *error = errno;
        ::close(fd);
        return -1;
    }
    if (WaitSocket(fd, true, timeoutMicros, cancelFd) != ImResult::Ok) {
        *error = ETIMEDOUT;
        ::close(fd);
        return -1;
    }
    int soError = 0;
    socklen_t length = sizeof soError;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) != 0 || soError != 0) {
        *error = soError ? soError : errno;
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

ImConnection::ImConnection()
    : wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      cancelFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

ImConnection::~ImConnection()
{
    ImDisconnect(*this);
    if (wakeFd >= 0)
        ::close(wakeFd);
    if (cancelFd >= 0)
        ::close(cancelFd);
}

void ImShutdown(ImConnection& conn)
{
    // Without the lock: the point is to wake the thread that holds it. The counter is never
    // read by the waiters, so it stays readable for every later wait until it is reset.
    if (conn.cancelFd >= 0) {
        std::uint64_t one = 1;
        ssize_t n = ::write(conn.cancelFd, &one, sizeof one);
        (void)n;
    }
}

void ImResetCancel(ImConnection& conn)
{
    if (conn.cancelFd >= 0) {
        std::uint64_t count = 0;
        ssize_t n = ::read(conn.cancelFd, &count, sizeof count);
        (void)n;
    }
}

bool ImCancelled(const ImConnection& conn)
{
    return IsSignalled(conn.cancelFd);
}

ImResult ImWaitReadable(ImConnection& conn, long long microseconds)
{
    if (conn.tlsPending.load() || conn.inputWaiting.load())
        return ImResult::Ok;
    const int fd = conn.socket.load();
    if (fd < 0)
        return ImResult::ConnectionClosed;
    pollfd fds[3] = {{fd, POLLIN, 0}, {conn.wakeFd, POLLIN, 0}, {conn.cancelFd, POLLIN, 0}};
    timespec ts{microseconds / 1000000, (microseconds % 1000000) * 1000};
    int n;
    do {
        n = ppoll(fds, 3, microseconds < 0 ? nullptr : &ts, nullptr);
    } while (n < 0 && errno == EINTR);
    if (fds[2].revents & POLLIN)
        return ImResult::ConnectionClosed;
    if (n == 0)
        return ImResult::TimedOut;
    if (fds[1].revents & POLLIN) {
        std::uint64_t count = 0;
        ssize_t drained = ::read(conn.wakeFd, &count, sizeof count);
        (void)drained;
    }
    // A socket closed under the wait reads as ready: the reader then finds out under the lock.
    return ImResult::Ok;
}

void ImNoteTlsPending(ImConnection& conn)
{
    conn.tlsPending = conn.tls && SSL_pending(conn.tls) > 0;
}

void ImWakeReader(ImConnection& conn)
{
    if (conn.wakeFd >= 0) {
        std::uint64_t one = 1;
        ssize_t n = ::write(conn.wakeFd, &one, sizeof one);
        (void)n; // a full counter already wakes the reader
    }
}

bool IsConnected(const ImConnection& conn)
{
    return conn.connected.load();
}
bool IsLoggedOn(const ImConnection& conn)
{
    return conn.loggedOn.load();
}

ImResult ImConnect(ImConnection& conn, const std::string& serverHost, std::uint16_t serverPort,
                   bool useTls, bool useProxy, const std::string& proxyHost,
                   std::uint16_t proxyPort)
{
    ImDisconnect(conn);
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    IgnoreSigpipeOnce();

    // A new connection starts with nothing of the old one.
    conn.pendingInput.clear();
    conn.pendingScanned = 0;
    conn.eventQueue.Clear();
    conn.queuedTerminators = 0;
    conn.openEventLines = 0;
    conn.tlsPending = false;
    conn.peerTrust = TlsPeerTrust{};

    conn.serverHost = serverHost.substr(0, 149);
    conn.serverPort = serverPort;
    conn.useTls = useTls;
    conn.useProxy = useProxy;
    conn.proxyHost = proxyHost.substr(0, 149);
    conn.proxyPort = proxyPort;

    // The library and the system's authorities are loaded by the first TLS connection only:
    // reading the authorities costs tens of milliseconds a plain connection need not wait.
    if (useTls && TlsInitialise() != ImResult::Ok)
        return ImResult::Failed;

    const std::string& dialHost = useProxy ? conn.proxyHost : conn.serverHost;
    const std::uint16_t dialPort = useProxy ? conn.proxyPort : conn.serverPort;
    const long long timeout = TimeoutMicroseconds(kTimeoutDefault, Direction::Send);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(timeout);

    std::vector<ResolvedAddress> addresses;
    ImResult resolved = ResolveHost(dialHost, dialPort, timeout, addresses, conn.cancelFd);
    if (resolved != ImResult::Ok) {
        LogWriteIf(ZepimLog(), kLogFailure, 99999, "could not resolve %s (%s)", dialHost.c_str(),
                   ImResultName(resolved));
        return ImResult::HostNotFound;
    }

    int fd = -1;
    int error = 0;
    for (const ResolvedAddress& address : addresses) {
        long long left = std::chrono::duration_cast<std::chrono::microseconds>(
                             deadline - std::chrono::steady_clock::now())
                             .count();
        if (left <= 0)
            break;
        if (ImCancelled(conn))
            break;
        fd = ConnectBounded(address, left, conn.cancelFd, &error);
        if (fd >= 0)
            break;
    }
    if (fd < 0) {
        LogWriteIf(ZepimLog(), kLogFailure, 99999, "could not connect to %s:%u (%d)",
                   dialHost.c_str(), dialPort, error);
        ImDisconnect(conn);
        return ImResult::ConnectionClosed;
    }
    // Requests go out in one write each; without this the second small write of a TLS
    // handshake or a request waits for the peer's delayed acknowledgement (tens of ms).
    int noDelay = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    conn.socket = fd;
    conn.connected = true;

    if (useProxy) {
        ImResult tunnel = ProxyOpenTunnel(conn, conn.serverHost, conn.serverPort);
        if (tunnel != ImResult::Ok) {
            ImDisconnect(conn);
            return tunnel;
        }
    }
    if (useTls) {
        ImResult handshake = TlsHandshake(conn);
        if (handshake != ImResult::Ok) {
            // The detail stays in the log; callers see every handshake failure alike, except
            // a certificate the user has to decide about.
            LogWriteIf(ZepimLog(), kLogFailure, 99999, "%d TLS handshake failed (%s)", conn.number,
                       ImResultName(handshake));
            ImDisconnect(conn);
            return handshake == ImResult::CertificateUnknown ||
                           handshake == ImResult::CertificateChanged ||
                           handshake == ImResult::TrustFileUnusable
                       ? handshake
                       : ImResult::Failed;
        }
        TlsLogCipher(conn);
    }

    std::string greeting;
    ImResult read = ReceiveLine(conn.number, conn.tls, conn.socket, kTimeoutDefault, greeting,
                                kLineBufferSize, &conn.pendingInput, conn.cancelFd);
    if (read != ImResult::Ok) {
        ImDisconnect(conn);
        return read;
    }
    LogWriteIf(ZepimLog(), kLogProtocol, 0, "%d %s%s", conn.number, conn.tls ? "[x] " : "",
               greeting.c_str());
    if (greeting.compare(0, 5, "S 220") != 0) {
        ImDisconnect(conn);
        return ImResult::Failed;
    }
    if (conn.tls)
        conn.tlsPending = SSL_pending(conn.tls) > 0;
    conn.inputWaiting = !conn.pendingInput.empty();
    return ImResult::Ok;
}

void ImDisconnect(ImConnection& conn)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    // Lines of an unfinished event or reply are useless now; complete events stay for the
    // reader, which hands them out before it reports the closed connection.
    conn.pendingInput.clear();
    conn.pendingScanned = 0;
    conn.inputWaiting = false;
    conn.connected = false;
    conn.loggedOn = false;
    conn.auth.ClearChallenge();
    if (conn.tls)
        TlsClose(conn);
    conn.tls = nullptr;
    conn.tlsPending = false;
    int fd = conn.socket.exchange(-1);
    if (fd >= 0) {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        ImWakeReader(conn);
    }
}

bool CipherDescription(ImConnection& conn, std::string& text)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    if (!conn.tls)
        return false;
    return TlsCipherDescription(conn, text);
}

} // namespace zep
