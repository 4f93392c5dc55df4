#include "net_client.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep::devserver::test {

NetClient::~NetClient()
{
    if (ssl_ != nullptr)
        SSL_free(ssl_);
    if (ctx_ != nullptr)
        SSL_CTX_free(ctx_);
    if (fd_ >= 0)
        close(fd_);
}

bool NetClient::Connect(int port, bool tls)
{
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        return false;
    if (tls) {
        ctx_ = SSL_CTX_new(TLS_client_method());
        ssl_ = SSL_new(ctx_);
        SSL_set_fd(ssl_, fd_);
        if (SSL_connect(ssl_) != 1)
            return false;
        X509* cert = SSL_get1_peer_certificate(ssl_);
        if (cert == nullptr)
            return false;
        X509_free(cert);
    }
    // The greeting is the one line before any reply.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (pendingGreeting_.find("\r\n") == std::string::npos) {
        if (!Pump(deadline))
            return false;
    }
    const size_t eol = pendingGreeting_.find("\r\n");
    greeting_ = pendingGreeting_.substr(0, eol);
    reader_.Feed(pendingGreeting_.substr(eol + 2));
    pendingGreeting_.clear();
    return true;
}

bool NetClient::Pump(std::chrono::steady_clock::time_point deadline)
{
    if (closed_)
        return false;
    if (ssl_ == nullptr || SSL_pending(ssl_) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
    }
    char buffer[65536];
    const ssize_t n = ssl_ != nullptr ? SSL_read(ssl_, buffer, sizeof buffer)
                                      : recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) {
        closed_ = true;
        return false;
    }
    if (greeting_.empty() && pendingGreeting_.find("\r\n") == std::string::npos)
        pendingGreeting_.append(buffer, static_cast<size_t>(n));
    else
        reader_.Feed(std::string_view(buffer, static_cast<size_t>(n)));
    return true;
}

void NetClient::SendRaw(const std::string& text, bool auth)
{
    const std::string data = auth ? auth_.Apply(text) : text;
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n =
            ssl_ != nullptr
                ? SSL_write(ssl_, data.data() + sent, static_cast<int>(data.size() - sent))
                : send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

std::optional<WireReply> NetClient::ReadReply(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto reply = reader_.TakeReply())
            return reply;
        if (!Pump(deadline))
            return std::nullopt;
    }
}

std::optional<WireEvent> NetClient::ReadEvent(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto event = reader_.TakeEvent())
            return event;
        if (!Pump(deadline))
            return std::nullopt;
    }
}

std::optional<WireEvent> NetClient::WaitEvent(const std::string& name,
                                              std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        auto event = ReadEvent(std::max(left, 0ms));
        if (!event)
            return std::nullopt;
        if (!event->empty() && (*event)[0] == name)
            return event;
    }
}

bool NetClient::WaitClosed(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!closed_) {
        if (!Pump(deadline) && !closed_)
            return false;
    }
    return true;
}

void NetClient::ShutdownWrite()
{
    shutdown(fd_, SHUT_WR);
}

void NetClient::ShutdownBoth()
{
    shutdown(fd_, SHUT_RDWR);
}

WireReply NetClient::Exchange(const std::string& command, const Headers& headers,
                              const std::vector<std::string>& body)
{
    const std::string request = FormatRequest(command, headers, body);
    WireReply reply;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SendRaw(request, true);
        auto got = ReadReply();
        if (!got) {
            reply = WireReply{{}, "timeout"};
            return reply;
        }
        reply = *got;
        if (reply.Code() != "401")
            return reply;
        auth_.Record(reply);
    }
    return reply;
}

WireReply NetClient::Logon(const std::string& email, const std::string& password)
{
    WireReply version = Exchange("VERSION");
    EXPECT_EQ(version.status, "250 4.0");
    auth_.SetUser(email, password);
    return Exchange("LOGON", {{"Email", email}, {"ClientType", "IM"}, {"Logoff", "1"}});
}

Options ServerThread::DefaultTestOptions()
{
    Options options;
    options.port = 0;
    options.tlsPort = 0;
    return options;
}

ServerThread::ServerThread(Options options)
{
    std::string error;
    server_ = DevServer::Create(options, error);
    if (!server_)
        throw std::runtime_error("server did not start: " + error);
    thread_ = std::thread([this] { server_->Run(); });
}

ServerThread::~ServerThread()
{
    server_->Stop();
    thread_.join();
}

std::string EventHeader(const WireEvent& event, const std::string& name)
{
    const std::string key = name + ": ";
    for (size_t i = 1; i < event.size(); ++i) {
        if (event[i].rfind(key, 0) == 0)
            return event[i].substr(key.size());
    }
    return "";
}

} // namespace zep::devserver::test
