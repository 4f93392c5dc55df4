// Finding an open webmail window on the desktop and bringing it to the front. On X11 the
// window manager's client list (EWMH) is read; other windowing systems offer applications no
// list of other programs' windows, and the caller opens the address instead.
#pragma once

#include <string_view>

namespace zep {

enum class WindowSearch
{
    Raised,     // a matching window was asked to come to the front
    NotFound,   // the list was read and no title matched
    Unavailable // no X display, or no window manager that lists its clients
};

// The first client window (in the window manager's order) whose title passes
// WebmailTitleMatches(title, windowName) is activated, which also restores it when minimised.
// `display` is an X display name; null takes $DISPLAY.
WindowSearch RaiseWebmailWindow(std::string_view windowName, const char* display = nullptr);

} // namespace zep
