// Proxy bytes into the tunnel opener: never a crash or a hang, and on success what is kept for
// the server is exactly a tail of what the proxy sent.

#include "transport/http_message.h"
#include "transport/http_proxy.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

using namespace zep;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = [] {
        SetDefaultTimeouts(0.05, 0.05);
        return true;
    }();
    (void)once;
    std::string bytes(reinterpret_cast<const char*>(data), size);

    // The header parser alone, on any bytes.
    HttpMessage message;
    message.Initialise();
    if (message.ParseHeaderBlock(bytes) == ImResult::Ok) {
        std::string value;
        message.HeaderValue("Content-Length:", value);
        message.SetHeader("Content-Length: 0");
        message.RemoveHeader("Date:");
    }

    // The whole reply read over a socket whose far end sent the bytes and closed.
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0)
        return 0;
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(pair[1], bytes.data() + written, bytes.size() - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    ::shutdown(pair[1], SHUT_WR);
    {
        ImConnection conn;
        conn.socket = pair[0];
        conn.connected = true;
        if (ProxyOpenTunnel(conn, "im.example.test", 8367) == ImResult::Ok) {
            const std::string& kept = conn.pendingInput;
            if (kept.size() > written ||
                bytes.compare(written - kept.size(), kept.size(), kept) != 0)
                std::abort();
        }
        // The connection's destructor closes pair[0].
    }
    ::close(pair[1]);
    return 0;
}
