// A burst of small events written in one send: time until the last one is handed out by the
// event reader (waiting without locks, then reading, as the receive thread does).
//   bench_event_burst [events] [rounds]

#include "protocol/framing.h"
#include "tests/support/fake_server.h"
#include "transport/im_connection.h"
#include "transport/socket_io.h"
#include "transport/timeouts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace zep;

int main(int argc, char** argv)
{
    const int events = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
    std::string burst;
    for (int i = 0; i < events; ++i)
        burst += test::Event({"PRESENCE", "Email: user" + std::to_string(i) + "@example.com",
                              "Status: AVAILABLE", "SubStatus: "});
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        test::FakeServer server;
        server.Send("S 220 bench\r\n").ReadRequest().Send(burst).Hold();
        server.Start();
        ImConnection conn;
        if (ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0) != ImResult::Ok) {
            std::fprintf(stderr, "connect failed\n");
            return 1;
        }
        // The request triggers the burst, so the clock starts when it is on its way.
        std::string trigger = "KA\r\nActivity: 0\r\n.\r\n";
        std::size_t sent = 0;
        auto start = std::chrono::steady_clock::now();
        SendBytes(0, nullptr, conn.socket.load(), 5, trigger.data(), trigger.size(), &sent);
        int got = 0;
        while (got < events) {
            LineList event;
            ImResult r = ImReadEvent(conn, event);
            if (r == ImResult::Ok)
                ++got;
            else if (r == ImResult::NothingPending)
                ImWaitEvent(conn, kTimeout100ms);
            else
                break;
        }
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (got != events) {
            std::fprintf(stderr, "only %d events\n", got);
            return 1;
        }
        times.push_back(ms);
        server.Release();
    }
    std::sort(times.begin(), times.end());
    std::printf("burst of %d events in one send, %d rounds: median %.2f ms, min %.2f ms, "
                "max %.2f ms\n",
                events, rounds, times[times.size() / 2], times.front(), times.back());
    return 0;
}
