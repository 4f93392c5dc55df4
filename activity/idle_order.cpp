#include "activity/idle_source.h"

#include <cstring>

namespace zep::activity {

std::vector<IdleSourceKind> IdleSourceOrder(const char* waylandDisplay, const char* sessionType)
{
    const bool wayland = (waylandDisplay != nullptr && *waylandDisplay != '\0') ||
                         (sessionType != nullptr && std::strcmp(sessionType, "wayland") == 0);
    // Under Wayland, X11's idle counter belongs to Xwayland and sees only input to X windows:
    // a user typing in native windows would look idle. Only the desktop's own interfaces count:
    // its session-bus interfaces, then the compositor's protocol.
    if (wayland)
        return {IdleSourceKind::DBus, IdleSourceKind::Wayland};
    return {IdleSourceKind::X11, IdleSourceKind::DBus};
}

} // namespace zep::activity
