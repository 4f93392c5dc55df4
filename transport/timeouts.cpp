#include "transport/timeouts.h"

#include <atomic>

namespace zep {

namespace {
std::atomic<double> g_receiveSeconds{240.0};
std::atomic<double> g_sendSeconds{240.0};
} // namespace

void SetDefaultTimeouts(double receiveSeconds, double sendSeconds)
{
    g_receiveSeconds = receiveSeconds;
    g_sendSeconds = sendSeconds;
}

double DefaultTimeoutSeconds(Direction direction)
{
    return direction == Direction::Send ? g_sendSeconds.load() : g_receiveSeconds.load();
}

long long TimeoutMicroseconds(int code, Direction direction)
{
    if (code > 0)
        return static_cast<long long>(code) * 1000000;
    switch (code) {
    case kTimeoutPoll:
        return 0;
    case kTimeoutMicro:
        return 1;
    case kTimeoutForever:
        return -1;
    case kTimeoutDefault:
        return static_cast<long long>(DefaultTimeoutSeconds(direction) * 1e6);
    case kTimeout1ms:
        return 1000;
    case kTimeout10ms:
        return 10000;
    case kTimeout50ms:
        return 50000;
    case kTimeout100ms:
        return 100000;
    default:
        return static_cast<long long>(DefaultTimeoutSeconds(direction) * 1e6);
    }
}

} // namespace zep
