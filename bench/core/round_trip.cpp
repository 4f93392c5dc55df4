// Median round trip of a request on loopback while another thread runs the event reader on
// the same connection.
//   bench_round_trip [requests]

#include "protocol/framing.h"
#include "tests/support/fake_server.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace zep;

int main(int argc, char** argv)
{
    const int requests = argc > 1 ? std::atoi(argv[1]) : 2000;
    test::FakeServer server;
    server.Send("S 220 bench\r\n");
    for (int i = 0; i < requests; ++i)
        server.Answer(test::Reply({"250 3"}));
    server.Hold();
    server.Start();
    ImConnection conn;
    if (ImConnect(conn, "127.0.0.1", server.Port(), false, false, "", 0) != ImResult::Ok)
        return 1;
    std::mutex appLock;
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) {
            if (ImWaitEvent(conn, kTimeout100ms) == ImResult::ConnectionClosed)
                break;
            std::lock_guard<std::mutex> guard(appLock);
            LineList event;
            ImReadEvent(conn, event);
        }
    });
    std::vector<double> times;
    for (int i = 0; i < requests; ++i) {
        auto start = std::chrono::steady_clock::now();
        LineList reply;
        std::lock_guard<std::mutex> guard(appLock);
        if (ImExchange(conn, "KA\r\nActivity: 1\r\n.\r\n", reply) != ImResult::Ok)
            return 1;
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    stop = true;
    server.Release();
    ImShutdown(conn);
    reader.join();
    std::sort(times.begin(), times.end());
    std::printf("%d requests with the event reader running: median %.3f ms, p99 %.3f ms, "
                "max %.3f ms\n",
                requests, times[times.size() / 2], times[times.size() * 99 / 100], times.back());
    return 0;
}
