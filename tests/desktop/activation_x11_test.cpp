// The startup id of a click on a notification, put on the window it brings up. Needs an X
// server (QT_QPA_PLATFORM=xcb); skipped on the other platforms.
#include "desktop/activation_x11.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>

namespace zep {
namespace {

// A property of the window on the X server, as its bytes.
std::string X11Property(QWidget& window, const char* name)
{
    xcb_connection_t* c =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    if (!atom)
        return {};
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, static_cast<xcb_window_t>(window.winId()),
                                                atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
                               nullptr),
        &std::free);
    if (!reply)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

TEST(StartupId, TheClicksIdAndItsTimeGoOnTheWindow)
{
    EXPECT_EQ(StartupIdTime(QStringLiteral("host-42-0-x_TIME4242")), 4242u);
    EXPECT_EQ(StartupIdTime(QStringLiteral("no time in it")), 0u);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "no X server (QT_QPA_PLATFORM=xcb)";
    QWidget window;
    window.show();
    PassStartupId(window, QStringLiteral("zep-test_TIME4242"));
    EXPECT_EQ(X11Property(window, "_NET_STARTUP_ID"), "zep-test_TIME4242");
    EXPECT_EQ(X11Property(window, "_NET_WM_USER_TIME"), std::string("\x92\x10\0\0", 4));
}

} // namespace
} // namespace zep
