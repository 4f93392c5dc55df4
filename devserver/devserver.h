// The whole server assembled from options: users, TLS context, protocol core and network loop.
// main() runs one; tests run one in-process on a thread of their own.
#pragma once

#include "core.h"
#include "net_server.h"
#include "options.h"
#include "tls.h"

#include <memory>
#include <string>

namespace zep::devserver {

class DevServer
{
public:
    // Loads users and certificates and binds the ports; null with a message on failure.
    static std::unique_ptr<DevServer> Create(const Options& options, std::string& error);

    int Port() const { return net_->Port(); }
    int TlsPort() const { return net_->TlsPort(); }
    // The first line the program prints: "listening on HOST:PORT tls PORT".
    std::string ListeningLine() const;

    void Run() { net_->Run(); }
    void Stop() { net_->Stop(); } // from any thread or a signal handler

private:
    DevServer() = default;
    std::string listen_;
    SslCtxPtr tls_;
    std::unique_ptr<NetServer> net_;
    std::unique_ptr<ServerCore> core_;
};

} // namespace zep::devserver
