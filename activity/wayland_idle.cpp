// Idle time from the compositor's idle-notification protocol, for Wayland sessions whose
// desktop offers no idle interface on the session bus. The compositor tells us when the seat
// has been without input for kNoticeMs and when input resumes; a thread of our own reads those
// two events as they come (it sleeps in poll otherwise), so the time of each is exact.
#include "activity/idle_source.h"

#include "ext-idle-notify-v1-client-protocol.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <wayland-client.h>

namespace zep::activity {
namespace {

// Input is seen to stop this long after it stopped: the resolution of the idle time, far
// below the server's away time of minutes, and few events while the user works.
constexpr std::uint32_t kNoticeMs = 5000;

std::uint64_t NowMs()
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

class WaylandIdleSource final : public IdleSource
{
public:
    ~WaylandIdleSource() override
    {
        if (m_reader.joinable()) {
            const std::uint64_t one = 1;
            (void)!write(m_stopFd, &one, sizeof one);
            m_reader.join();
        }
        if (m_notification)
            ext_idle_notification_v1_destroy(m_notification);
        if (m_notifier)
            ext_idle_notifier_v1_destroy(m_notifier);
        if (m_seat)
            wl_seat_destroy(m_seat);
        if (m_registry)
            wl_registry_destroy(m_registry);
        if (m_display)
            wl_display_disconnect(m_display);
        if (m_stopFd >= 0)
            close(m_stopFd);
    }

    bool Open()
    {
        m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        m_display = wl_display_connect(nullptr);
        if (m_stopFd < 0 || m_display == nullptr)
            return false;
        m_registry = wl_display_get_registry(m_display);
        static const wl_registry_listener registryListener = {&OnGlobal, &OnGlobalRemove};
        wl_registry_add_listener(m_registry, &registryListener, this);
        if (wl_display_roundtrip(m_display) < 0 || m_seat == nullptr || m_notifier == nullptr)
            return false;
        m_notification = ext_idle_notifier_v1_get_idle_notification(m_notifier, kNoticeMs, m_seat);
        static const ext_idle_notification_v1_listener noticeListener = {&OnIdled, &OnResumed};
        ext_idle_notification_v1_add_listener(m_notification, &noticeListener, this);
        // The request reaches the compositor before we say we work (a refusal shows here).
        if (wl_display_roundtrip(m_display) < 0)
            return false;
        m_reader = std::thread([this] { ReadEvents(); });
        return true;
    }

    const char* Name() const override { return "Wayland idle notification"; }

    std::optional<std::uint64_t> IdleMs() override
    {
        std::lock_guard guard(m_lock);
        if (m_broken)
            return std::nullopt;
        if (!m_idle)
            return 0;
        const std::uint64_t now = NowMs();
        return now > m_inputAt ? now - m_inputAt : 0;
    }

private:
    static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t)
    {
        auto* self = static_cast<WaylandIdleSource*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->m_seat == nullptr)
            self->m_seat =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 &&
                 self->m_notifier == nullptr)
            self->m_notifier = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    }
    static void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

    static void OnIdled(void* data, ext_idle_notification_v1*)
    {
        auto* self = static_cast<WaylandIdleSource*>(data);
        std::lock_guard guard(self->m_lock);
        const std::uint64_t now = NowMs();
        self->m_idle = true;
        self->m_inputAt = now > kNoticeMs ? now - kNoticeMs : 0;
    }
    static void OnResumed(void* data, ext_idle_notification_v1*)
    {
        auto* self = static_cast<WaylandIdleSource*>(data);
        std::lock_guard guard(self->m_lock);
        self->m_idle = false;
    }

    void ReadEvents()
    {
        const int fd = wl_display_get_fd(m_display);
        while (true) {
            while (wl_display_prepare_read(m_display) != 0)
                if (wl_display_dispatch_pending(m_display) < 0)
                    return Broken();
            if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
                wl_display_cancel_read(m_display);
                return Broken();
            }
            pollfd fds[2] = {{fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
            const int ready = poll(fds, 2, -1);
            if (ready < 0 && errno == EINTR) {
                wl_display_cancel_read(m_display);
                continue;
            }
            if (ready < 0 || (fds[1].revents & POLLIN) != 0) {
                wl_display_cancel_read(m_display);
                return; // stopping (or poll itself failed): the source ends quietly
            }
            if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 &&
                (fds[0].revents & POLLIN) == 0) {
                wl_display_cancel_read(m_display);
                return Broken();
            }
            if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0)
                return Broken();
        }
    }

    // The compositor went away or broke the protocol: from now on the queries fail and the
    // application's own input is what counts.
    void Broken()
    {
        std::lock_guard guard(m_lock);
        m_broken = true;
    }

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    ext_idle_notifier_v1* m_notifier = nullptr;
    ext_idle_notification_v1* m_notification = nullptr;
    int m_stopFd = -1;
    std::thread m_reader;
    std::mutex m_lock;
    bool m_idle = false;
    bool m_broken = false;
    std::uint64_t m_inputAt = 0; // when idle: the time of the last input
};

} // namespace

std::unique_ptr<IdleSource> OpenWaylandIdleSource()
{
    auto source = std::make_unique<WaylandIdleSource>();
    if (!source->Open())
        return nullptr;
    return source;
}

} // namespace zep::activity
