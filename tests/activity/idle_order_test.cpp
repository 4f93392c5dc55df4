// Which idle source a session asks first: never X11 inside a Wayland session, where Xwayland's
// counter sees only input to X windows.
#include "activity/idle_source.h"

#include <gtest/gtest.h>

namespace zep::activity {
namespace {

TEST(IdleSourceOrder, BySession)
{
    using enum IdleSourceKind;
    const struct
    {
        const char* waylandDisplay;
        const char* sessionType;
        std::vector<IdleSourceKind> order;
    } rows[] = {
        {"wayland-0", "wayland", {DBus, Wayland}}, // both say Wayland
        {"wayland-0", nullptr, {DBus, Wayland}},   // the display alone
        {"wayland-0", "x11", {DBus, Wayland}},     // a Wayland display wins over a stale type
        {nullptr, "wayland", {DBus, Wayland}}, // the session type alone (DISPLAY set by Xwayland)
        {"", "wayland", {DBus, Wayland}},
        {nullptr, "x11", {X11, DBus}},
        {"", "", {X11, DBus}},
        {nullptr, nullptr, {X11, DBus}},
        {nullptr, "tty", {X11, DBus}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(IdleSourceOrder(row.waylandDisplay, row.sessionType), row.order)
            << (row.waylandDisplay ? row.waylandDisplay : "(unset)") << " / "
            << (row.sessionType ? row.sessionType : "(unset)");
}

} // namespace
} // namespace zep::activity
