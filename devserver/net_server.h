// One epoll loop on one thread serves every connection: the server's state is shared by all
// users (presence fan-out, sessions), so a single thread needs no locks and keeps events in
// order, and loopback routing is far from saturating one core. Sockets are non-blocking; each
// connection has its own output buffer, and TLS runs with SSL on the socket.
#pragma once

#include "devserver/core.h"
#include "devserver/tls.h"

#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace zep::devserver {

// A non-blocking listening socket on `address`:`port` (0: a free port); -1 with a message.
int OpenTcpListener(const std::string& address, int port, int& boundPort, std::string& error);

struct NetConfig
{
    std::string listen = "127.0.0.1";
    int port = 8367;
    int tlsPort = 8368; // negative: no TLS listener
    SSL_CTX* tls = nullptr;
    std::chrono::seconds handshakeTimeout{30};
};

class NetServer final : public CoreSink
{
public:
    explicit NetServer(NetConfig config);
    ~NetServer() override;
    NetServer(const NetServer&) = delete;
    NetServer& operator=(const NetServer&) = delete;

    // Binds the listeners; afterwards Port() and TlsPort() give the real port numbers.
    bool Start(std::string& error);
    int Port() const { return port_; }
    int TlsPort() const { return tlsPort_; }
    void SetCore(ServerCore* core) { core_ = core; }

    // Serves until Stop(); Stop() may be called from any thread or a signal handler.
    void Run();
    void Stop();

    void Send(ConnId id, std::string_view bytes) override;
    size_t Backlog(ConnId id) const override;
    void Close(ConnId id) override;
    void Abort(ConnId id) override;

private:
    struct Conn;

    void Accept(int listener, bool tls);
    void OnEvent(ConnId id, unsigned events);
    void Handshake(Conn& conn);
    void ReadFrom(Conn& conn);
    void WriteTo(Conn& conn);
    void UpdateInterest(Conn& conn);
    void MarkDead(Conn& conn);
    void Reap();
    void FlushDirty();
    void Tick();

    NetConfig config_;
    ServerCore* core_ = nullptr;
    int epoll_ = -1;
    int wake_ = -1;
    int listener_ = -1;
    int tlsListener_ = -1;
    int port_ = 0;
    int tlsPort_ = 0;
    std::atomic<bool> stop_{false};
    ConnId nextId_ = 16;
    std::unordered_map<ConnId, std::unique_ptr<Conn>> conns_;
    std::vector<ConnId> dirty_;
    std::vector<ConnId> dead_;
    std::chrono::steady_clock::time_point lastTick_{};
    std::vector<char> readBuffer_;
};

} // namespace zep::devserver
