// The three entry points of the activity monitor over the first idle source that works.
#include "activity/zepimam.h"

#include "activity/idle_source.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace {

using zep::activity::IdleSource;

std::uint64_t NowMs()
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

// Two readings of "now - idle" for the same input differ by the time between the idle counter's
// update and our clock read; a later input must move the tick by more than this.
constexpr std::uint64_t kJitterMs = 250;

struct Monitor
{
    std::mutex lock;
    std::unique_ptr<IdleSource> source;
    bool running = false;
    std::uint64_t lastDesktopInput = 0;
    std::atomic<std::uint64_t> lastAppInput{0};
};

Monitor& TheMonitor()
{
    static Monitor m;
    return m;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int StartActivityMonitor(void)
{
    Monitor& m = TheMonitor();
    std::lock_guard guard(m.lock);
    if (m.running)
        return 1;
    using zep::activity::IdleSourceKind;
    for (const IdleSourceKind kind : zep::activity::IdleSourceOrder(
             std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"))) {
        switch (kind) {
        case IdleSourceKind::X11:
            m.source = zep::activity::OpenX11IdleSource();
            break;
        case IdleSourceKind::DBus:
            m.source = zep::activity::OpenDBusIdleSource();
            break;
        case IdleSourceKind::Wayland:
            m.source = zep::activity::OpenWaylandIdleSource();
            break;
        }
        if (m.source)
            break;
    }
    const std::uint64_t now = NowMs();
    m.lastDesktopInput = now;
    m.lastAppInput.store(now);
    m.running = true;
    return 1; // input seen by the application is always available
}

__attribute__((visibility("default"))) int StopActivityMonitor(void)
{
    Monitor& m = TheMonitor();
    std::lock_guard guard(m.lock);
    m.source.reset();
    m.running = false;
    return 1;
}

__attribute__((visibility("default"))) unsigned int GetLastActivityTickCount(void)
{
    Monitor& m = TheMonitor();
    std::lock_guard guard(m.lock);
    if (m.source) {
        if (const auto idle = m.source->IdleMs()) {
            const std::uint64_t now = NowMs();
            const std::uint64_t input = *idle < now ? now - *idle : 0;
            if (input > m.lastDesktopInput + kJitterMs)
                m.lastDesktopInput = input;
        }
    }
    const std::uint64_t last = std::max(m.lastDesktopInput, m.lastAppInput.load());
    return static_cast<unsigned int>(last & 0xffffffffu);
}

__attribute__((visibility("default"))) void ZepActivityNotifyInput(void)
{
    TheMonitor().lastAppInput.store(NowMs());
}

__attribute__((visibility("default"))) const char* ZepActivitySource(void)
{
    Monitor& m = TheMonitor();
    std::lock_guard guard(m.lock);
    return m.source ? m.source->Name() : "input";
}

} // extern "C"
