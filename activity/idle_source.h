// A source of the desktop's idle time (milliseconds since the last input anywhere in the session).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace zep::activity {

class IdleSource
{
public:
    virtual ~IdleSource() = default;
    virtual const char* Name() const = 0;
    // Idle milliseconds, or nothing when the query failed this time.
    virtual std::optional<std::uint64_t> IdleMs() = 0;
};

enum class IdleSourceKind
{
    DBus,    // the compositor's idle monitor, then the screen-saver interface, on the session bus
    X11,     // the X11 screen-saver extension
    Wayland, // the compositor's idle-notification protocol
};

// The sources to try, in order, for the session that WAYLAND_DISPLAY and XDG_SESSION_TYPE
// describe. The application's own input is the fall-back after all of them.
std::vector<IdleSourceKind> IdleSourceOrder(const char* waylandDisplay, const char* sessionType);

// Each returns nothing when its desktop interface is not available.
std::unique_ptr<IdleSource> OpenX11IdleSource();
std::unique_ptr<IdleSource> OpenDBusIdleSource();
std::unique_ptr<IdleSource> OpenWaylandIdleSource();

} // namespace zep::activity
