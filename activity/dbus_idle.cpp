// Idle time over the session bus, for Wayland desktops where X11 cannot see input: the GNOME idle
// monitor, then the screen-saver interface other desktops offer (both answer in milliseconds).
#include "activity/idle_source.h"

#include <cstdlib>
#include <gio/gio.h>

namespace zep::activity {
namespace {

struct Endpoint
{
    const char* service;
    const char* path;
    const char* interface;
    const char* method;
};

constexpr Endpoint kEndpoints[] = {
    {"org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
     "org.gnome.Mutter.IdleMonitor", "GetIdletime"},
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
     "GetSessionIdleTime"},
};

// One call with a short time-out, so a stuck desktop service cannot stall the keep-alive.
std::optional<std::uint64_t> Query(GDBusConnection* bus, const Endpoint& e)
{
    GError* error = nullptr;
    GVariant* reply =
        g_dbus_connection_call_sync(bus, e.service, e.path, e.interface, e.method, nullptr, nullptr,
                                    G_DBUS_CALL_FLAGS_NO_AUTO_START, 500, nullptr, &error);
    if (!reply) {
        g_clear_error(&error);
        return std::nullopt;
    }
    std::optional<std::uint64_t> idle;
    if (g_variant_is_of_type(reply, G_VARIANT_TYPE("(t)"))) {
        guint64 v = 0;
        g_variant_get(reply, "(t)", &v);
        idle = v;
    } else if (g_variant_is_of_type(reply, G_VARIANT_TYPE("(u)"))) {
        guint32 v = 0;
        g_variant_get(reply, "(u)", &v);
        idle = v;
    }
    g_variant_unref(reply);
    return idle;
}

class DBusIdleSource final : public IdleSource
{
public:
    DBusIdleSource(GDBusConnection* bus, const Endpoint& endpoint)
        : m_bus(bus), m_endpoint(endpoint)
    {
    }
    ~DBusIdleSource() override { g_object_unref(m_bus); }
    const char* Name() const override { return "dbus"; }
    std::optional<std::uint64_t> IdleMs() override { return Query(m_bus, m_endpoint); }

private:
    GDBusConnection* m_bus;
    Endpoint m_endpoint;
};

} // namespace

std::unique_ptr<IdleSource> OpenDBusIdleSource()
{
    // Without a session bus address GIO would try to launch a bus; there is nothing to ask then.
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || !*address)
        return nullptr;
    GError* error = nullptr;
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return nullptr;
    }
    for (const Endpoint& e : kEndpoints) {
        if (Query(bus, e))
            return std::make_unique<DBusIdleSource>(bus, e);
    }
    g_object_unref(bus);
    return nullptr;
}

} // namespace zep::activity
