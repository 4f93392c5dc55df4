// The X11 side of RaiseWebmailWindow, on its own connection through xcb: the window manager's
// _NET_CLIENT_LIST, each client's _NET_WM_NAME (or WM_NAME), and a _NET_ACTIVE_WINDOW request.
#include "desktop/webmail_window.h"

#include "desktop/webmail_rules.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace zep {
namespace {

struct Disconnect
{
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(
        c, 1, static_cast<std::uint16_t>(std::char_traits<char>::length(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The property's bytes; empty when the window has none of that type. Titles are cut at 4 KiB,
// far past any prefix that is tested.
std::string Property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                     std::uint32_t maxWords)
{
    const auto cookie = xcb_get_property(c, 0, window, property, type, 0, maxWords);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    const int length = xcb_get_property_value_length(reply.get());
    if (length <= 0)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(length));
}

} // namespace

WindowSearch RaiseWebmailWindow(std::string_view windowName, const char* display)
{
    int screenNumber = 0;
    Connection c(xcb_connect(display, &screenNumber));
    if (!c || xcb_connection_has_error(c.get()) != 0)
        return WindowSearch::Unavailable;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c.get()));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return WindowSearch::Unavailable;
    const xcb_window_t root = screens.data->root;

    const xcb_atom_t clientList = Atom(c.get(), "_NET_CLIENT_LIST");
    const xcb_atom_t wmName = Atom(c.get(), "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(c.get(), "UTF8_STRING");
    const xcb_atom_t activeWindow = Atom(c.get(), "_NET_ACTIVE_WINDOW");
    if (clientList == XCB_ATOM_NONE || activeWindow == XCB_ATOM_NONE)
        return WindowSearch::Unavailable;

    const std::string list = Property(c.get(), root, clientList, XCB_ATOM_WINDOW, 16384);
    if (list.empty())
        return WindowSearch::Unavailable; // no window manager keeps the list
    std::vector<xcb_window_t> windows(list.size() / sizeof(xcb_window_t));
    std::memcpy(windows.data(), list.data(), windows.size() * sizeof(xcb_window_t));

    for (xcb_window_t window : windows) {
        std::string title;
        if (wmName != XCB_ATOM_NONE && utf8 != XCB_ATOM_NONE)
            title = Property(c.get(), window, wmName, utf8, 1024);
        if (title.empty())
            title = Property(c.get(), window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 1024);
        if (!WebmailTitleMatches(title, windowName))
            continue;
        // Source 2: the request comes from the user, as a task bar's does, so a window manager
        // that prevents focus stealing still honours it.
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = activeWindow;
        event.data.data32[0] = 2;
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c.get(), 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        // A round trip, so the request has reached the server before the connection closes.
        std::free(xcb_get_input_focus_reply(c.get(), xcb_get_input_focus(c.get()), nullptr));
        return WindowSearch::Raised;
    }
    return WindowSearch::NotFound;
}

} // namespace zep
