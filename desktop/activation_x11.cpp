#include "desktop/activation_x11.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace zep {
namespace {

xcb_atom_t InternAtom(xcb_connection_t* c, const QByteArray& name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.constData());
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

} // namespace

unsigned long StartupIdTime(const QString& startupId)
{
    const qsizetype at = startupId.lastIndexOf(QLatin1String("_TIME"));
    if (at < 0)
        return 0;
    bool ok = false;
    const unsigned long time = startupId.mid(at + 5).toULong(&ok);
    return ok ? time : 0;
}

void PassStartupId(QWidget& window, const QString& startupId)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || startupId.isEmpty())
        return;
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const QByteArray utf8 = startupId.toUtf8().left(255);
    const xcb_atom_t startup = InternAtom(c, "_NET_STARTUP_ID");
    const xcb_atom_t text = InternAtom(c, "UTF8_STRING");
    if (startup != XCB_ATOM_NONE && text != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, startup, text, 8,
                            static_cast<std::uint32_t>(utf8.size()), utf8.constData());
    const auto time = static_cast<std::uint32_t>(StartupIdTime(startupId));
    const xcb_atom_t userTime = InternAtom(c, "_NET_WM_USER_TIME");
    if (time != 0 && userTime != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, userTime, XCB_ATOM_CARDINAL, 32, 1,
                            &time);
    xcb_flush(c);
}

} // namespace zep
