// When the next background try to reach the server is due: a few seconds after the loss, then
// twice as long each time up to a cap, each delay shortened or lengthened at random so that many
// clients that lost one server do not all come back at the same moment.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace zep {

// How long a connection must stay up after its logon before its loss starts the back-off again
// from the first delay. A server that takes the logon and drops the line at once is tried ever
// more rarely, not every few seconds with a full contact fetch each time.
inline constexpr std::chrono::milliseconds kStableConnection{std::chrono::seconds(60)};

struct ReconnectPolicy
{
    std::chrono::milliseconds first{std::chrono::seconds(3)};
    std::chrono::milliseconds cap{std::chrono::seconds(120)};
    // Each delay is the doubled base times a factor in [1 - jitter, 1 + jitter), never past the
    // cap.
    double jitter = 0.2;
    // A connection up this long counts as good (tests shorten it).
    std::chrono::milliseconds stable{kStableConnection};

    // The same delay every time (tests that want a steady beat).
    static ReconnectPolicy Fixed(std::chrono::milliseconds every) { return {every, every, 0.0}; }
};

class ReconnectSchedule
{
public:
    // `uniform` gives numbers in [0, 1); the default draws from a seeded engine.
    using Uniform = std::function<double()>;
    using Clock = std::chrono::steady_clock;

    explicit ReconnectSchedule(ReconnectPolicy policy = {}, Uniform uniform = {});

    // The wait before the next try; each call counts one try.
    std::chrono::milliseconds Next();
    // When the network has just come back: start from the first delay.
    void Reset() { m_tries = 0; }
    // A logon succeeded at `at`; the tries so far still count until the connection proves good.
    void LoggedOn(Clock::time_point at) { m_loggedOnAt = at; }
    // The connection was lost at `at`: the back-off starts again only if it had stayed up for
    // the policy's stable time since its logon.
    void Lost(Clock::time_point at);
    int Tries() const { return m_tries; }
    const ReconnectPolicy& Policy() const { return m_policy; }

private:
    ReconnectPolicy m_policy;
    Uniform m_uniform;
    int m_tries = 0;
    std::optional<Clock::time_point> m_loggedOnAt;
};

} // namespace zep
