// The protocol engine of the development server: bytes in, bytes out, no sockets. The event
// loop feeds it what connections receive and carries out what it asks through `CoreSink`, so
// tests can drive it in-process with a clock of their own.
#pragma once

#include "devserver/auth.h"
#include "devserver/users.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zep::devserver {

using ConnId = std::uint64_t;
using TimePoint = std::chrono::steady_clock::time_point;

class CoreSink
{
public:
    virtual ~CoreSink() = default;
    // Queues bytes for the connection; bytes for a connection that is gone are dropped.
    virtual void Send(ConnId id, std::string_view bytes) = 0;
    // Bytes queued for the connection and not yet written.
    virtual size_t Backlog(ConnId id) const = 0;
    // Closes once everything queued is written.
    virtual void Close(ConnId id) = 0;
    // Closes at once, dropping what is queued (a reader too far behind).
    virtual void Abort(ConnId id) = 0;
};

struct CoreConfig
{
    AuthScheme auth = AuthScheme::Digest;
    std::chrono::seconds sessionTimeout{600};
    std::string outboxDir;                    // empty: offline messages are accepted, not kept
    size_t maxRequestBytes = 4 * 1024 * 1024; // larger requests are drained and refused
    size_t maxMessageBytes = 1024 * 1024;     // "554" above this
    size_t pauseBacklog = 1024 * 1024;        // stop taking requests while this much is unsent
    size_t maxBacklog = 16 * 1024 * 1024;     // a reader this far behind is dropped
    std::string greeting = "zep-devserver ready";
};

struct CoreStats
{
    size_t connections = 0;
    size_t loggedOn = 0;
    size_t sessions = 0;
    std::uint64_t messagesRouted = 0; // message events handed to connections
};

class ServerCore
{
public:
    ServerCore(CoreConfig config, std::vector<UserRecord> users, CoreSink& sink);
    ~ServerCore();
    ServerCore(const ServerCore&) = delete;
    ServerCore& operator=(const ServerCore&) = delete;

    // A new connection (after the TLS handshake, if any): sends the greeting.
    void Open(ConnId id, TimePoint now);
    void Received(ConnId id, std::string_view bytes, TimePoint now);
    // The peer will send nothing more: answer what is complete, then close.
    void PeerClosed(ConnId id, TimePoint now);
    // The sink's backlog for the connection went down: take further requests.
    void Resume(ConnId id, TimePoint now);
    // Whether the loop should read more from the connection now.
    bool WantsInput(ConnId id) const;
    // The connection is gone (closed by either side): logs its user off.
    void Closed(ConnId id, TimePoint now);
    // Session time-outs and automatic away; call about once a second.
    void Tick(TimePoint now);

    CoreStats Stats() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace zep::devserver
