// The webmail log-on page on its own port (8000 by default), served by a thread of its own with
// one poll loop: a browser's idle or slow connection never holds up another, and the
// messaging loop never waits on a browser.
#pragma once

#include "devserver/webmail_http.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace zep::devserver {

class WebmailServer
{
public:
    explicit WebmailServer(std::vector<WebmailAccount> accounts,
                           std::chrono::milliseconds requestTimeout = std::chrono::seconds(10));
    ~WebmailServer();
    WebmailServer(const WebmailServer&) = delete;
    WebmailServer& operator=(const WebmailServer&) = delete;

    // Binds the port; false with a message.
    bool Start(const std::string& listen, int port, std::string& error);
    int Port() const { return port_; }
    // Serves on a thread of its own until Stop().
    void Run();
    // From any thread or a signal handler.
    void Stop();
    // Joins the thread that Run started.
    void Join();

private:
    struct Conn;
    void Loop();

    std::vector<WebmailAccount> accounts_;
    std::chrono::milliseconds timeout_;
    int listener_ = -1;
    int wake_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace zep::devserver
