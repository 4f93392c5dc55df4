// When the next background try to reach the server is due: a few seconds after the loss, then
// twice as long each time up to a cap, each delay shortened or lengthened at random so that many
// clients that lost one server do not all come back at the same moment.
#pragma once

#include <chrono>
#include <functional>

namespace zep {

struct ReconnectPolicy
{
    std::chrono::milliseconds first{std::chrono::seconds(3)};
    std::chrono::milliseconds cap{std::chrono::seconds(120)};
    // Each delay is the doubled base times a factor in [1 - jitter, 1 + jitter), never past the
    // cap.
    double jitter = 0.2;

    // The same delay every time (tests that want a steady beat).
    static ReconnectPolicy Fixed(std::chrono::milliseconds every) { return {every, every, 0.0}; }
};

class ReconnectSchedule
{
public:
    // `uniform` gives numbers in [0, 1); the default draws from a seeded engine.
    using Uniform = std::function<double()>;

    explicit ReconnectSchedule(ReconnectPolicy policy = {}, Uniform uniform = {});

    // The wait before the next try; each call counts one try.
    std::chrono::milliseconds Next();
    // After a good logon, or when the network has just come back: start from the first delay.
    void Reset() { m_tries = 0; }
    int Tries() const { return m_tries; }
    const ReconnectPolicy& Policy() const { return m_policy; }

private:
    ReconnectPolicy m_policy;
    Uniform m_uniform;
    int m_tries = 0;
};

} // namespace zep
