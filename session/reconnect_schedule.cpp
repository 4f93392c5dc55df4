#include "session/reconnect_schedule.h"

#include <algorithm>
#include <memory>
#include <random>

namespace zep {

namespace {

ReconnectSchedule::Uniform SeededUniform()
{
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    return [engine] { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
}

} // namespace

ReconnectSchedule::ReconnectSchedule(ReconnectPolicy policy, Uniform uniform)
    : m_policy(policy), m_uniform(uniform ? std::move(uniform) : SeededUniform())
{
    m_policy.first = std::max(m_policy.first, std::chrono::milliseconds(0));
    m_policy.cap = std::max(m_policy.cap, m_policy.first);
    m_policy.jitter = std::clamp(m_policy.jitter, 0.0, 1.0);
}

void ReconnectSchedule::Lost(Clock::time_point at)
{
    if (m_loggedOnAt && at - *m_loggedOnAt >= m_policy.stable)
        Reset();
    m_loggedOnAt.reset();
}

std::chrono::milliseconds ReconnectSchedule::Next()
{
    using std::chrono::milliseconds;
    // Doubling stops at the cap, so the base never overflows however long the server is away.
    milliseconds base = m_policy.first;
    for (int i = 0; i < m_tries && base.count() > 0 && base < m_policy.cap; ++i)
        base = std::min(base * 2, m_policy.cap);
    if (m_tries < 1 << 20)
        ++m_tries;
    const double u = std::clamp(m_uniform(), 0.0, 1.0);
    const double factor = 1.0 - m_policy.jitter + 2.0 * m_policy.jitter * u;
    const auto delay = milliseconds(static_cast<milliseconds::rep>(base.count() * factor));
    return std::clamp(delay, milliseconds(0), m_policy.cap);
}

} // namespace zep
