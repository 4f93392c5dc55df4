// The whole server assembled from options: users, TLS context, protocol core and network loop.
// main() runs one; tests run one in-process on a thread of their own.
#pragma once

#include "devserver/core.h"
#include "devserver/net_server.h"
#include "devserver/options.h"
#include "devserver/tls.h"
#include "devserver/webmail_server.h"

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
    // The webmail page's port; -1 when it is off.
    int WebmailPort() const { return webmail_ ? webmail_->Port() : -1; }
    // The first line the program prints: "listening on HOST:PORT tls PORT", followed by
    // " webmail PORT" when the webmail page is served.
    std::string ListeningLine() const;

    void Run();
    void Stop(); // from any thread or a signal handler

private:
    DevServer() = default;
    std::string listen_;
    SslCtxPtr tls_;
    std::unique_ptr<NetServer> net_;
    std::unique_ptr<ServerCore> core_;
    std::unique_ptr<WebmailServer> webmail_;
};

} // namespace zep::devserver
