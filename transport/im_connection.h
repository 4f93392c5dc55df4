#pragma once
// The messenger's one connection record to the messaging server. Every protocol and transport
// operation takes it as its first argument; `lock` serialises request exchanges and event reads.

#include "common/im_result.h"
#include "common/line_list.h"
#include "transport/im_auth_state.h"
#include "transport/tls.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

typedef struct ssl_st SSL;

namespace zep {

// Caps on every accumulation buffer: a misbehaving server cannot exhaust memory. A line costs
// more than its text (an empty one about 40 bytes as a line, some 600 once parsed into a
// contact record and copied by its caller), so the number of lines of one reply, and of the
// events waiting, has a cap of its own: no contact list or directory answer comes near it, and
// a reply of that many lines stays within a few hundred megabytes whatever the lines hold.
inline constexpr std::size_t kMaxAccumulatedBytes = 64u * 1024u * 1024u;
inline constexpr std::size_t kMaxAccumulatedLines = 65536;

struct ImConnection
{
    ImConnection();
    ~ImConnection();
    ImConnection(const ImConnection&) = delete;
    ImConnection& operator=(const ImConnection&) = delete;

    // The connection lock: recursive, so connect and disconnect may be called with it held.
    std::recursive_mutex lock;

    // Written under `lock`; read without it only by ImWaitEvent (which copes with a stale value).
    std::atomic<int> socket{-1};
    SSL* tls = nullptr;

    std::string serverHost;
    std::uint16_t serverPort = 0;
    bool useProxy = false;
    bool useTls = false;
    std::string proxyHost;
    std::uint16_t proxyPort = 0;

    // Which server certificates to accept, and what the last handshake found (kept after a
    // refused handshake, so that the user can be shown the certificate).
    TlsTrustPolicy trust;
    TlsPeerTrust peerTrust;

    // Readable without the lock.
    std::atomic<bool> connected{false};
    std::atomic<bool> loggedOn{false};

    ImAuthState auth;

    // Received bytes not yet split into lines: always at most one partial line, except right
    // after connecting, when bytes that came with the proxy's reply or the greeting wait here.
    std::string pendingInput;
    std::size_t pendingScanned = 0; // leading bytes of pendingInput known to hold no line break
    // Event lines ("A " marker removed) not yet extracted, and how many terminators they hold.
    LineList eventQueue;
    std::atomic<int> queuedTerminators{0};
    // Lines of the event still being received (its terminator has not come yet).
    std::size_t openEventLines = 0;
    // pendingInput may hold complete lines not yet split (those that came with the greeting).
    std::atomic<bool> inputWaiting{false};
    // The TLS layer holds decrypted bytes that no read has taken yet.
    std::atomic<bool> tlsPending{false};

    // Signalled when events were queued or the connection closed by another thread than the
    // event reader, so that a reader waiting on the socket is not left asleep.
    int wakeFd = -1;
    // Signalled when the owner stops the threads that use this connection: every wait of
    // connect, name resolution, exchanges and the reader watches it with its socket, and stays
    // cut short until the owner resets it for the next attempt.
    int cancelFd = -1;

    // Connection number printed at the start of transfer log lines.
    int number = 0;
};

// Connects (optionally through the HTTP proxy tunnel and in TLS) and reads the greeting. A
// certificate refused under conn.trust gives CertificateUnknown or CertificateChanged, with
// conn.peerTrust describing it; every other TLS failure gives Failed.
ImResult ImConnect(ImConnection& conn, const std::string& serverHost, std::uint16_t serverPort,
                   bool useTls, bool useProxy, const std::string& proxyHost,
                   std::uint16_t proxyPort);

// Closes everything; safe when not connected and when called twice. Complete events that were
// already received stay queued so that ImReadEvent can still hand them out.
void ImDisconnect(ImConnection& conn);

bool IsConnected(const ImConnection& conn);
bool IsLoggedOn(const ImConnection& conn);

// Cancels every wait on this connection, now and until ImResetCancel (a worker being stopped):
// the blocked operation fails at once. Any thread, without the lock; never touches the socket,
// so a descriptor closed and reused meanwhile is safe. The owner still calls ImDisconnect.
void ImShutdown(ImConnection& conn);
// Makes the connection usable again after ImShutdown; call it before starting a new worker.
void ImResetCancel(ImConnection& conn);
bool ImCancelled(const ImConnection& conn);

// Wakes a reader waiting in ImWaitReadable.
void ImWakeReader(ImConnection& conn);

// Waits without any lock until the socket is readable, the reader is woken or the wait is
// cancelled. Ok when there may be something to read (or decrypted bytes already wait);
// TimedOut; ConnectionClosed when not connected or cancelled.
ImResult ImWaitReadable(ImConnection& conn, long long microseconds);

// Notes whether the TLS layer holds decrypted bytes no read has taken yet (under the lock).
void ImNoteTlsPending(ImConnection& conn);

// "SSL - cipher name ..." when TLS is up; false otherwise.
bool CipherDescription(ImConnection& conn, std::string& text);

} // namespace zep
