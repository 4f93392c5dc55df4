#pragma once
// Sends and receives on a non-blocking socket, in plain TCP or through a TLS session, each
// bounded by a time-out code.

#include "common/im_result.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

typedef struct ssl_st SSL;

namespace zep {

// Every wait below also watches `cancelFd` (an eventfd, or -1 for none): once it is signalled
// the wait ends at once with ConnectionClosed, so a thread being stopped never sits out a
// network time-out.

// Waits until the socket is readable (or writable); Ok, TimedOut, SelectFailed, or
// ConnectionClosed when cancelled.
ImResult WaitSocket(int socket, bool forWrite, long long microseconds, int cancelFd = -1);

ImResult SendBytes(int connectionNumber, SSL* tls, int socket, int timeoutCode, const char* data,
                   std::size_t length, std::size_t* sent, int cancelFd = -1);

// Receives at most `size` bytes; 0 bytes received with Ok means the peer closed.
ImResult ReceiveBytes(int connectionNumber, SSL* tls, int socket, int timeoutCode, char* buffer,
                      std::size_t size, std::size_t* received, int cancelFd = -1);

// The one time-out of a whole reply, however the peer cuts it into pieces: a reply that
// trickles in a byte at a time ends when the default receive time-out has passed since it was
// asked for, not that long after its last byte.
class ReplyDeadline
{
public:
    ReplyDeadline();
    // Microseconds left (0 once passed); -1 when the time-out is unlimited.
    long long RemainingMicros() const;
    double Seconds() const { return m_total / 1e6; }

private:
    long long m_total;
    std::chrono::steady_clock::time_point m_end;
};

// ReceiveBytes, waiting no longer than `deadline` allows.
ImResult ReceiveBytesBy(int connectionNumber, SSL* tls, int socket, const ReplyDeadline& deadline,
                        char* buffer, std::size_t size, std::size_t* received, int cancelFd = -1);

// Reads one line (cut at the first LF, trailing CRs removed) into `line`, at most size - 1 bytes.
// Bytes after the line are kept in `carry` when one is given (and read from it first).
ImResult ReceiveLine(int connectionNumber, SSL* tls, int socket, int timeoutCode, std::string& line,
                     std::size_t size, std::string* carry = nullptr, int cancelFd = -1);

// Logs each line of an already framed text (credentials masked), then sends all of it.
bool SendMultiLineLog(int connectionNumber, SSL* tls, int socket, int timeoutCode,
                      std::string_view text, int cancelFd = -1);

// True when the eventfd has been signalled (and not reset since).
bool IsSignalled(int eventFd);

// The line as it may appear in the traffic log: the value of an "Authorization" line masked.
std::string MaskCredentials(std::string_view line);

// Makes the socket non-blocking; false on failure.
bool SetNonBlocking(int socket);

} // namespace zep
