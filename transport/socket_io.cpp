#include "transport/socket_io.h"

#include "transport/log_writer.h"
#include "transport/timeouts.h"
#include "transport/tls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <time.h>

namespace zep {

namespace {

ImResult ReceiveUntil(int connectionNumber, SSL* tls, int socket, bool poll, long long total,
                      std::chrono::steady_clock::time_point deadline, char* buffer,
                      std::size_t size, std::size_t* received, int cancelFd);

long long RemainingMicros(std::chrono::steady_clock::time_point deadline, long long total)
{
    if (total < 0)
        return -1;
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    return left > 0 ? left : 0;
}

} // namespace

bool SetNonBlocking(int socket)
{
    int flags = fcntl(socket, F_GETFL, 0);
    return flags >= 0 && (flags & O_NONBLOCK || fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0);
}

bool IsSignalled(int eventFd)
{
    if (eventFd < 0)
        return false;
    pollfd pfd{eventFd, POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN);
}

ImResult WaitSocket(int socket, bool forWrite, long long microseconds, int cancelFd)
{
    if (socket < 0)
        return ImResult::SelectFailed;
    pollfd fds[2] = {{socket, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0},
                     {cancelFd, POLLIN, 0}};
    pollfd& pfd = fds[0];
    timespec ts{};
    timespec* tsp = nullptr;
    if (microseconds >= 0) {
        ts.tv_sec = microseconds / 1000000;
        ts.tv_nsec = (microseconds % 1000000) * 1000;
        tsp = &ts;
    }
    for (;;) {
        int n = ppoll(fds, cancelFd >= 0 ? 2 : 1, tsp, nullptr);
        if (n > 0 && (fds[1].revents & POLLIN))
            return ImResult::ConnectionClosed; // cancelled: the owner is stopping this thread
        if (n > 0) {
            // Hang-up and errors count as ready: the following read or write reports them.
            return (pfd.revents & POLLNVAL) ? ImResult::SelectFailed : ImResult::Ok;
        }
        if (n == 0)
            return ImResult::TimedOut;
        if (errno != EINTR)
            return ImResult::SelectFailed;
    }
}

namespace {

// `shown` is what the hex dump prints for `data` (the same length): the bytes themselves, or a
// copy with credentials masked.
ImResult SendShown(int connectionNumber, SSL* tls, int socket, int timeoutCode, const char* data,
                   const char* shown, std::size_t length, std::size_t* sent, int cancelFd)
{
    std::size_t done = 0;
    ImResult result = ImResult::Ok;
    SetNonBlocking(socket);
    const long long wait = TimeoutMicroseconds(timeoutCode, Direction::Send);
    bool wantRead = false;
    while (done < length) {
        ImResult ready = WaitSocket(socket, !wantRead, wait, cancelFd);
        if (ready == ImResult::ConnectionClosed) {
            LogWriteIf(ZepimLog(), kLogDetail, 311, "%d send cancelled", connectionNumber);
            result = ready;
            break;
        }
        if (ready == ImResult::TimedOut) {
            LogWriteIf(ZepimLog(), kLogDetail, 311, "%d select timeout", connectionNumber);
            result = ready;
            break;
        }
        if (ready != ImResult::Ok) {
            LogWriteIf(ZepimLog(), kLogFailure, 312, "%d select error (%d,%d)", connectionNumber,
                       errno, 0);
            result = ImResult::SelectFailed;
            break;
        }
        wantRead = false;
        std::size_t offered = length - done;
        if (tls) {
            ERR_clear_error();
            int n = SSL_write(tls, data + done,
                              static_cast<int>(std::min<std::size_t>(offered, 1u << 30)));
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                LogWriteIf(ZepimLog(), kLogDetail, 314, "%d send %d bytes", connectionNumber, n);
                if (LogEnabled(kLogDetail))
                    LogHexDump(ZepimLog(), connectionNumber, shown + done - n,
                               static_cast<std::size_t>(n));
                continue;
            }
            // Judge by the TLS layer's own code, never by a stale socket error.
            int error = SSL_get_error(tls, n);
            if (error == SSL_ERROR_WANT_WRITE)
                continue;
            if (error == SSL_ERROR_WANT_READ) {
                wantRead = true;
                continue;
            }
            LogTlsErrors(connectionNumber, 313);
            LogWriteIf(ZepimLog(), kLogFailure, 313, "%d send error (%d,%d)", connectionNumber,
                       errno, error);
            result = ImResult::TransferFailed;
            break;
        }
        ssize_t n = ::send(socket, data + done, offered, MSG_NOSIGNAL);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
            LogWriteIf(ZepimLog(), kLogDetail, 314, "%d send %d bytes", connectionNumber,
                       static_cast<int>(n));
            if (LogEnabled(kLogDetail))
                LogHexDump(ZepimLog(), connectionNumber, shown + done - n,
                           static_cast<std::size_t>(n));
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            SetNonBlocking(socket);
            continue;
        }
        LogWriteIf(ZepimLog(), kLogFailure, 313, "%d send error (%d,%d)", connectionNumber, errno,
                   0);
        result = ImResult::TransferFailed;
        break;
    }
    if (sent)
        *sent = done;
    return result;
}

// The text with the value of every "Authorization:" line overwritten, length kept.
std::string MaskedBytes(std::string_view text)
{
    static constexpr std::string_view kHeader = "Authorization:";
    std::string out(text);
    std::size_t line = 0;
    while (line < out.size()) {
        std::size_t end = out.find("\r\n", line);
        if (end == std::string::npos)
            end = out.size();
        if (end - line >= kHeader.size() &&
            strncasecmp(out.data() + line, kHeader.data(), kHeader.size()) == 0)
            for (std::size_t i = line + kHeader.size(); i < end; ++i)
                out[i] = '*';
        line = end + 2;
    }
    return out;
}

} // namespace

ImResult SendBytes(int connectionNumber, SSL* tls, int socket, int timeoutCode, const char* data,
                   std::size_t length, std::size_t* sent, int cancelFd)
{
    return SendShown(connectionNumber, tls, socket, timeoutCode, data, data, length, sent,
                     cancelFd);
}

ReplyDeadline::ReplyDeadline()
    : m_total(TimeoutMicroseconds(kTimeoutDefault, Direction::Receive)),
      m_end(std::chrono::steady_clock::now() + std::chrono::microseconds(std::max(m_total, 0LL)))
{
}

long long ReplyDeadline::RemainingMicros() const
{
    return zep::RemainingMicros(m_end, m_total);
}

ImResult ReceiveBytes(int connectionNumber, SSL* tls, int socket, int timeoutCode, char* buffer,
                      std::size_t size, std::size_t* received, int cancelFd)
{
    const long long total = TimeoutMicroseconds(timeoutCode, Direction::Receive);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::microseconds(total < 0 ? 0 : total);
    return ReceiveUntil(connectionNumber, tls, socket, timeoutCode == kTimeoutPoll, total, deadline,
                        buffer, size, received, cancelFd);
}

ImResult ReceiveBytesBy(int connectionNumber, SSL* tls, int socket, const ReplyDeadline& deadline,
                        char* buffer, std::size_t size, std::size_t* received, int cancelFd)
{
    const long long left = deadline.RemainingMicros();
    return ReceiveUntil(connectionNumber, tls, socket, false, left,
                        std::chrono::steady_clock::now() +
                            std::chrono::microseconds(std::max(left, 0LL)),
                        buffer, size, received, cancelFd);
}

namespace {

ImResult ReceiveUntil(int connectionNumber, SSL* tls, int socket, bool poll, long long total,
                      std::chrono::steady_clock::time_point deadline, char* buffer,
                      std::size_t size, std::size_t* received, int cancelFd)
{
    *received = 0;
    if (size == 0)
        return ImResult::Ok;
    SetNonBlocking(socket);
    const int chunk = static_cast<int>(std::min<std::size_t>(size, 1u << 30));
    bool wantWrite = false;
    for (;;) {
        if (tls) {
            // Decrypted bytes may already wait in the TLS layer; take them without waiting.
            {
                ERR_clear_error();
                int n = SSL_read(tls, buffer, chunk);
                if (n > 0) {
                    *received = static_cast<std::size_t>(n);
                    LogWriteIf(ZepimLog(), kLogDetail, 769, "%d recv %d bytes", connectionNumber,
                               n);
                    if (LogEnabled(kLogDetail))
                        LogHexDump(ZepimLog(), connectionNumber, buffer,
                                   static_cast<std::size_t>(n));
                    return ImResult::Ok;
                }
                int error = SSL_get_error(tls, n);
                if (error == SSL_ERROR_ZERO_RETURN)
                    return ImResult::Ok; // orderly close: 0 bytes
                if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0 && n == 0)
                    return ImResult::Ok; // EOF without close notify
                if (error == SSL_ERROR_SSL || error == SSL_ERROR_SYSCALL) {
                    if (error == SSL_ERROR_SSL &&
                        ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
                        ERR_clear_error();
                        return ImResult::Ok;
                    }
                    LogTlsErrors(connectionNumber, 317);
                    LogWriteIf(ZepimLog(), kLogFailure, 317, "%d recv error (%d,%d)",
                               connectionNumber, errno, error);
                    return ImResult::TransferFailed;
                }
                wantWrite = error == SSL_ERROR_WANT_WRITE;
            }
        }
        ImResult ready = WaitSocket(socket, wantWrite, RemainingMicros(deadline, total), cancelFd);
        if (ready == ImResult::ConnectionClosed) {
            LogWriteIf(ZepimLog(), kLogDetail, 315, "%d receive cancelled", connectionNumber);
            return ready;
        }
        if (ready == ImResult::TimedOut) {
            if (!poll)
                LogWriteIf(ZepimLog(), kLogDetail, 315, "%d select timeout", connectionNumber);
            return ready;
        }
        if (ready != ImResult::Ok) {
            LogWriteIf(ZepimLog(), kLogFailure, 316, "%d select error (%d,%d)", connectionNumber,
                       errno, 0);
            return ImResult::SelectFailed;
        }
        if (tls)
            continue;
        ssize_t n = ::recv(socket, buffer, static_cast<std::size_t>(chunk), 0);
        if (n >= 0) {
            *received = static_cast<std::size_t>(n);
            LogWriteIf(ZepimLog(), kLogDetail, 318, "%d recv %d bytes", connectionNumber,
                       static_cast<int>(n));
            if (n > 0 && LogEnabled(kLogDetail))
                LogHexDump(ZepimLog(), connectionNumber, buffer, static_cast<std::size_t>(n));
            return ImResult::Ok;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            if (poll)
                return ImResult::TimedOut;
            continue;
        }
        LogWriteIf(ZepimLog(), kLogFailure, 317, "%d recv error (%d,%d)", connectionNumber, errno,
                   0);
        return ImResult::TransferFailed;
    }
}

} // namespace

ImResult ReceiveLine(int connectionNumber, SSL* tls, int socket, int timeoutCode, std::string& line,
                     std::size_t size, std::string* carry, int cancelFd)
{
    std::string text;
    if (carry) {
        text.swap(*carry);
    }
    char buffer[10240];
    for (;;) {
        std::size_t lf = text.find('\n');
        if (lf != std::string::npos && lf < size) {
            if (carry)
                carry->assign(text, lf + 1);
            text.resize(lf);
            while (!text.empty() && text.back() == '\r')
                text.pop_back();
            line = std::move(text);
            return ImResult::Ok;
        }
        if (size == 0 || text.size() >= size - 1)
            return ImResult::TransferFailed; // filled without a line feed
        std::size_t got = 0;
        std::size_t room = std::min(sizeof buffer - 1, size - 1 - text.size());
        ImResult result =
            ReceiveBytes(connectionNumber, tls, socket, timeoutCode, buffer, room, &got, cancelFd);
        if (result != ImResult::Ok)
            return result;
        if (got == 0)
            return ImResult::TransferFailed;
        text.append(buffer, got);
    }
}

std::string MaskCredentials(std::string_view line)
{
    static constexpr std::string_view kHeader = "Authorization:";
    if (line.size() >= kHeader.size() &&
        strncasecmp(line.data(), kHeader.data(), kHeader.size()) == 0)
        return std::string(line.substr(0, kHeader.size())) + " [hidden]";
    return std::string(line);
}

bool SendMultiLineLog(int connectionNumber, SSL* tls, int socket, int timeoutCode,
                      std::string_view text, int cancelFd)
{
    if (LogEnabled(kLogProtocol)) {
        std::string_view copy = text.substr(0, std::min<std::size_t>(text.size(), 10367));
        int lines = 0;
        while (!copy.empty() && lines < 1024) {
            std::size_t end = copy.find("\r\n");
            std::string_view one = copy.substr(0, end);
            if (!one.empty()) {
                std::string shown = MaskCredentials(one);
                LogWriteIf(ZepimLog(), kLogProtocol, 0, "%d %s%s", connectionNumber,
                           tls ? "[x] " : "", shown.c_str());
            }
            ++lines;
            if (end == std::string_view::npos)
                break;
            copy.remove_prefix(end + 2);
        }
    }
    std::size_t sent = 0;
    // The hex dump shows the sent bytes too: it must not show credentials either.
    std::string shown = MaskedBytes(LogEnabled(kLogDetail) ? text : std::string_view());
    const char* dumped = shown.size() == text.size() ? shown.data() : text.data();
    return SendShown(connectionNumber, tls, socket, timeoutCode, text.data(), dumped, text.size(),
                     &sent, cancelFd) == ImResult::Ok;
}

} // namespace zep
