// The session-bus idle source against a private bus with a stand-in for the desktop's idle
// monitor, whose idle time the test sets.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<guint64> g_idleMs{0};

const char kIntrospection[] = "<node><interface name='org.gnome.Mutter.IdleMonitor'>"
                              "<method name='GetIdletime'><arg type='t' direction='out'/></method>"
                              "</interface></node>";

void HandleCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                GVariant*, GDBusMethodInvocation* invocation, gpointer)
{
    if (g_strcmp0(method, "GetIdletime") == 0)
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(t)", g_idleMs.load()));
}

// A private dbus-daemon and the idle monitor registered on it from a thread of its own.
class PrivateBus
{
public:
    PrivateBus()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        m_daemon = fork();
        if (m_daemon == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork",
                   ("--print-address=" + fd).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            m_address += c;
        close(fds[0]);
        if (m_address.empty())
            return;
        m_thread = std::thread([this] { Serve(); });
        while (!m_ready.load() && !m_failed.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~PrivateBus()
    {
        if (m_loop)
            g_main_loop_quit(m_loop);
        if (m_thread.joinable())
            m_thread.join();
        if (m_daemon > 0) {
            kill(m_daemon, SIGTERM);
            waitpid(m_daemon, nullptr, 0);
        }
    }
    bool Ready() const { return m_ready.load(); }
    const std::string& Address() const { return m_address; }

private:
    void Serve()
    {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        GError* error = nullptr;
        GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
            m_address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
        static const GDBusInterfaceVTable vtable = {HandleCall, nullptr, nullptr, {}};
        if (!bus || !info ||
            !g_dbus_connection_register_object(bus, "/org/gnome/Mutter/IdleMonitor/Core",
                                               info->interfaces[0], &vtable, nullptr, nullptr,
                                               nullptr)) {
            m_failed = true;
            return;
        }
        GVariant* owned = g_dbus_connection_call_sync(
            bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", "org.gnome.Mutter.IdleMonitor", 0u), nullptr,
            G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        if (!owned) {
            m_failed = true;
            return;
        }
        g_variant_unref(owned);
        m_loop = g_main_loop_new(context, FALSE);
        m_ready = true;
        g_main_loop_run(m_loop);
        g_main_loop_unref(m_loop);
        g_dbus_node_info_unref(info);
        g_object_unref(bus);
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }

    pid_t m_daemon = -1;
    std::string m_address;
    std::thread m_thread;
    GMainLoop* m_loop = nullptr;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_failed{false};
};

TEST(DBusIdle, IdleMonitorOnTheSessionBusDrivesTheTick)
{
    if (access("/usr/bin/dbus-daemon", X_OK) != 0)
        GTEST_SKIP() << "dbus-daemon not installed";
    PrivateBus bus;
    ASSERT_TRUE(bus.Ready());
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
    g_idleMs = 600000; // the user has been away for ten minutes

    void* lib = dlopen(ZEPIMAM_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr);
    auto start = reinterpret_cast<int (*)()>(dlsym(lib, "StartActivityMonitor"));
    auto stop = reinterpret_cast<int (*)()>(dlsym(lib, "StopActivityMonitor"));
    auto tick = reinterpret_cast<unsigned (*)()>(dlsym(lib, "GetLastActivityTickCount"));
    auto source = reinterpret_cast<const char* (*)()>(dlsym(lib, "ZepActivitySource"));
    ASSERT_NE(start(), 0);
    EXPECT_STREQ(source(), "dbus");

    const unsigned before = tick();
    EXPECT_EQ(tick(), before) << "no input while the idle time only grows";
    // Input must come later than the readings' jitter allowance (a quarter second) to count.
    const auto later = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < later)
        std::this_thread::sleep_until(later);
    g_idleMs = 0; // the user touches the keyboard
    const unsigned after = tick();
    EXPECT_NE(after, before);
    EXPECT_EQ(tick(), after);
    stop();
    dlclose(lib);
}

} // namespace
