#pragma once
// Time-out codes of sends and receives, turned into poll waits.

namespace zep {

enum TimeoutCode : int
{
    kTimeoutPoll = 0,
    kTimeoutMicro = -1, // 1 microsecond
    kTimeoutForever = -2,
    kTimeoutDefault = -3, // the default of the direction
    kTimeout1ms = -4,
    kTimeout10ms = -5,
    kTimeout50ms = -6,
    kTimeout100ms = -7,
};

enum class Direction
{
    Send,
    Receive
};

// Default time-outs in seconds (240 each); tests make them short.
void SetDefaultTimeouts(double receiveSeconds, double sendSeconds);
double DefaultTimeoutSeconds(Direction direction);

// Microseconds to wait for a code; -1 waits without limit. A positive code is seconds.
long long TimeoutMicroseconds(int code, Direction direction);

} // namespace zep
