// A blocking test client over TCP or TLS with deadlines (poll), built on WireReader/ClientAuth,
// plus a server running in-process on its own thread.
#pragma once

#include "devserver/devserver.h"
#include "wire_client.h"

#include <openssl/ssl.h>

#include <chrono>
#include <memory>
#include <thread>

namespace zep::devserver::test {

using namespace std::chrono_literals;

class NetClient
{
public:
    NetClient() = default;
    ~NetClient();
    NetClient(const NetClient&) = delete;
    NetClient& operator=(const NetClient&) = delete;

    // Connects and reads the greeting line.
    bool Connect(int port, bool tls = false);
    const std::string& Greeting() const { return greeting_; }

    // One exchange as the client makes it: sends, and on "401" records the challenge and sends
    // once more with the header.
    WireReply Exchange(const std::string& command, const Headers& headers = {},
                       const std::vector<std::string>& body = {});
    // Sends text as is (with the header when a challenge is recorded and `auth` is set).
    void SendRaw(const std::string& text, bool auth = false);
    std::optional<WireReply> ReadReply(std::chrono::milliseconds timeout = 5s);
    std::optional<WireEvent> ReadEvent(std::chrono::milliseconds timeout = 5s);
    // Waits for an event of that name, skipping others; nullopt on time-out.
    std::optional<WireEvent> WaitEvent(const std::string& name,
                                       std::chrono::milliseconds timeout = 5s);
    // True when the server closes the connection within the time.
    bool WaitClosed(std::chrono::milliseconds timeout = 5s);
    void ShutdownWrite();
    void ShutdownBoth();

    // VERSION check and LOGON; returns the LOGON reply.
    WireReply Logon(const std::string& email, const std::string& password);

    ClientAuth& Auth() { return auth_; }
    WireReader& Reader() { return reader_; }

private:
    bool Pump(std::chrono::steady_clock::time_point deadline);

    int fd_ = -1;
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
    bool closed_ = false;
    std::string greeting_;
    std::string pendingGreeting_;
    WireReader reader_;
    ClientAuth auth_;
};

class ServerThread
{
public:
    explicit ServerThread(Options options = DefaultTestOptions());
    ~ServerThread();
    int Port() const { return server_->Port(); }
    int TlsPort() const { return server_->TlsPort(); }
    int WebmailPort() const { return server_->WebmailPort(); }
    static Options DefaultTestOptions();

private:
    std::unique_ptr<DevServer> server_;
    std::thread thread_;
};

// Value of the first header of that name in an event, or "".
std::string EventHeader(const WireEvent& event, const std::string& name);

} // namespace zep::devserver::test
