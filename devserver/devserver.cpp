#include "devserver/devserver.h"

#include <filesystem>

namespace zep::devserver {

std::unique_ptr<DevServer> DevServer::Create(const Options& options, std::string& error)
{
    std::vector<UserRecord> users;
    if (options.usersFile.empty())
        users = DemoUsers();
    else if (!LoadUsersFile(options.usersFile, users, error))
        return nullptr;
    if (!options.outboxDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.outboxDir, ec);
        if (!std::filesystem::is_directory(options.outboxDir)) {
            error = options.outboxDir + ": not a folder that can be created";
            return nullptr;
        }
    }
    std::vector<WebmailAccount> accounts;
    for (const UserRecord& user : users)
        accounts.push_back({user.email, user.name, user.password, !user.echo});

    std::unique_ptr<DevServer> server(new DevServer());
    server->listen_ = options.listen;
    server->tls_ = MakeServerContext(options.certFile, options.keyFile, error);
    if (!server->tls_)
        return nullptr;

    NetConfig net;
    net.listen = options.listen;
    net.port = options.port;
    net.tlsPort = options.tlsPort;
    net.tls = server->tls_.get();
    server->net_ = std::make_unique<NetServer>(net);

    CoreConfig core;
    core.auth = options.auth;
    core.sessionTimeout = std::chrono::seconds(options.sessionTimeoutSeconds);
    core.outboxDir = options.outboxDir;
    server->core_ = std::make_unique<ServerCore>(core, std::move(users), *server->net_);
    server->net_->SetCore(server->core_.get());
    if (!server->net_->Start(error))
        return nullptr;
    if (options.webmailPort != kWebmailOff) {
        // A server on a free port is one of several side by side (tests): its page takes a
        // free port too, so they never compete for 8000.
        const bool sideBySide = options.port == 0 || options.tlsPort == 0;
        const int port = options.webmailPort != kWebmailPortDefault ? options.webmailPort
                         : sideBySide                               ? 0
                                                                    : 8000;
        server->webmail_ = std::make_unique<WebmailServer>(std::move(accounts));
        if (!server->webmail_->Start(options.listen, port, error))
            return nullptr;
    }
    return server;
}

std::string DevServer::ListeningLine() const
{
    const bool v6 = listen_.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + listen_ + "]" : listen_;
    return "listening on " + host + ":" + std::to_string(Port()) + " tls " +
           std::to_string(TlsPort()) +
           (webmail_ ? " webmail " + std::to_string(webmail_->Port()) : std::string());
}

void DevServer::Run()
{
    if (webmail_)
        webmail_->Run();
    net_->Run();
    if (webmail_) {
        webmail_->Stop();
        webmail_->Join();
    }
}

void DevServer::Stop()
{
    net_->Stop();
    if (webmail_)
        webmail_->Stop();
}

} // namespace zep::devserver
