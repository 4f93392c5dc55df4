// Server bytes into the reply collector and the event reader: never a crash, never a line
// handed out that still carries its marker.

#include "protocol/framing.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <cstdint>
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

    // Events: everything arrives as if it came with the greeting.
    {
        ImConnection conn;
        conn.pendingInput = bytes;
        conn.inputWaiting = true;
        LineList event;
        while (ImReadEvent(conn, event) == ImResult::Ok) {
            if (event.Empty())
                __builtin_trap();
        }
    }
    // A reply read from a socket that then closes.
    if (size < 100000) {
        int fd[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fd) != 0)
            return 0;
        ssize_t written = ::send(fd[1], bytes.data(), bytes.size(), MSG_DONTWAIT);
        (void)written;
        ::shutdown(fd[1], SHUT_WR);
        ImConnection conn;
        conn.socket = fd[0];
        conn.connected = true;
        LineList reply;
        ImResult r = ImReadReply(conn, reply);
        if (r == ImResult::Ok && reply.Empty())
            __builtin_trap();
        ImDisconnect(conn);
        ::close(fd[1]);
    }
    return 0;
}
