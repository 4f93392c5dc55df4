// The Wayland idle source against a compositor of the test's own: a Wayland display on a socket
// in a scratch runtime folder that offers a seat and, when asked to, the idle notifier, and
// sends "idled" and "resumed" when the test says so.
#include "activity/idle_source.h"
#include "ext-idle-notify-v1-server-protocol.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wayland-server.h>

namespace zep::activity {
namespace {

using namespace std::chrono_literals;

class TestCompositor
{
public:
    explicit TestCompositor(bool offerNotifier)
    {
        char pattern[] = "/tmp/zep-wayland-XXXXXX";
        m_runtime = mkdtemp(pattern) ? pattern : "";
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        m_display = wl_display_create();
        const char* socket = wl_display_add_socket_auto(m_display);
        if (socket)
            setenv("WAYLAND_DISPLAY", socket, 1);
        wl_global_create(m_display, &wl_seat_interface, 1, this, &BindSeat);
        if (offerNotifier)
            wl_global_create(m_display, &ext_idle_notifier_v1_interface, 1, this, &BindNotifier);
        m_loop = std::thread([this] { Run(); });
    }
    ~TestCompositor()
    {
        Stop();
        unsetenv("WAYLAND_DISPLAY");
        if (!m_runtime.empty())
            std::system(("rm -rf '" + m_runtime + "'").c_str());
    }
    void Stop()
    {
        if (!m_loop.joinable())
            return;
        m_stop = true;
        m_loop.join();
        wl_display_destroy_clients(m_display);
        wl_display_destroy(m_display);
    }

    // Runs on the compositor's thread (libwayland-server is not thread-safe).
    void Do(std::function<void(TestCompositor&)> what)
    {
        std::lock_guard guard(m_lock);
        m_todo.push_back(std::move(what));
    }
    void SendIdled()
    {
        Do([](TestCompositor& c) { c.ForEachNotice(ext_idle_notification_v1_send_idled); });
    }
    void SendResumed()
    {
        Do([](TestCompositor& c) { c.ForEachNotice(ext_idle_notification_v1_send_resumed); });
    }

    std::atomic<int> notices{0};
    std::atomic<std::uint32_t> timeout{0};
    std::atomic<bool> seatGiven{false};

private:
    void Run()
    {
        wl_event_loop* loop = wl_display_get_event_loop(m_display);
        while (!m_stop) {
            wl_event_loop_dispatch(loop, 20);
            std::vector<std::function<void(TestCompositor&)>> todo;
            {
                std::lock_guard guard(m_lock);
                todo.swap(m_todo);
            }
            for (auto& what : todo)
                what(*this);
            wl_display_flush_clients(m_display);
        }
    }
    void ForEachNotice(void (*send)(wl_resource*))
    {
        for (wl_resource* notice : m_notices)
            send(notice);
    }

    static void BindSeat(wl_client* client, void*, std::uint32_t version, std::uint32_t id)
    {
        static const struct wl_seat_interface seat = {
            [](wl_client*, wl_resource*, std::uint32_t) {},
            [](wl_client*, wl_resource*, std::uint32_t) {},
            [](wl_client*, wl_resource*, std::uint32_t) {},
            [](wl_client*, wl_resource* r) { wl_resource_destroy(r); },
        };
        wl_resource* resource = wl_resource_create(client, &wl_seat_interface, version, id);
        wl_resource_set_implementation(resource, &seat, nullptr, nullptr);
    }
    static void BindNotifier(wl_client* client, void* data, std::uint32_t version, std::uint32_t id)
    {
        static const struct ext_idle_notifier_v1_interface notifier = {
            [](wl_client*, wl_resource* r) { wl_resource_destroy(r); },
            &GetNotification,
        };
        wl_resource* resource =
            wl_resource_create(client, &ext_idle_notifier_v1_interface, version, id);
        wl_resource_set_implementation(resource, &notifier, data, nullptr);
    }
    static void GetNotification(wl_client* client, wl_resource* notifier, std::uint32_t id,
                                std::uint32_t timeout, wl_resource* seat)
    {
        static const struct ext_idle_notification_v1_interface notice = {
            [](wl_client*, wl_resource* r) { wl_resource_destroy(r); },
        };
        auto* self = static_cast<TestCompositor*>(wl_resource_get_user_data(notifier));
        wl_resource* resource = wl_resource_create(client, &ext_idle_notification_v1_interface,
                                                   wl_resource_get_version(notifier), id);
        wl_resource_set_implementation(resource, &notice, self, [](wl_resource* r) {
            auto* me = static_cast<TestCompositor*>(wl_resource_get_user_data(r));
            std::erase(me->m_notices, r);
        });
        self->m_notices.push_back(resource);
        self->timeout = timeout;
        self->seatGiven = seat != nullptr;
        ++self->notices;
    }

    std::string m_runtime;
    wl_display* m_display = nullptr;
    std::thread m_loop;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<std::function<void(TestCompositor&)>> m_todo;
    std::vector<wl_resource*> m_notices;
};

template <typename F> bool WaitFor(F done, std::chrono::milliseconds limit = 3s)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (done())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

TEST(WaylandIdle, NoSourceWithoutACompositorOrItsNotifier)
{
    setenv("WAYLAND_DISPLAY", "zep-no-such-display", 1);
    EXPECT_EQ(OpenWaylandIdleSource(), nullptr);
    TestCompositor withoutNotifier(false);
    EXPECT_EQ(OpenWaylandIdleSource(), nullptr);
}

TEST(WaylandIdle, FollowsTheCompositorsIdledAndResumed)
{
    TestCompositor compositor(true);
    std::unique_ptr<IdleSource> source = OpenWaylandIdleSource();
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(compositor.notices.load(), 1);
    EXPECT_TRUE(compositor.seatGiven.load());
    const std::uint32_t notice = compositor.timeout.load();
    EXPECT_GE(notice, 1000u); // a notice per pause of a second or more, not per keystroke
    EXPECT_LE(notice, 60000u);

    EXPECT_EQ(source->IdleMs(), std::optional<std::uint64_t>(0)); // input until told otherwise
    compositor.SendIdled();
    // Idle since the notice's time before the event: the last input was that long ago.
    ASSERT_TRUE(WaitFor([&] { return source->IdleMs().value_or(0) >= notice; }));
    std::this_thread::sleep_for(200ms);
    EXPECT_GE(source->IdleMs().value_or(0), notice + 150);
    compositor.SendResumed();
    ASSERT_TRUE(WaitFor([&] { return source->IdleMs() == std::optional<std::uint64_t>(0); }));
}

TEST(WaylandIdle, CompositorGoneMakesTheQueryFailNotHang)
{
    auto compositor = std::make_unique<TestCompositor>(true);
    std::unique_ptr<IdleSource> source = OpenWaylandIdleSource();
    ASSERT_NE(source, nullptr);
    compositor->Stop();
    ASSERT_TRUE(WaitFor([&] { return !source->IdleMs().has_value(); }));
    source.reset(); // joins its reader at once
}

} // namespace
} // namespace zep::activity
