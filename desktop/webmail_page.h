// The webmail's log-on address carries the log-on token, so it never stands on a command line,
// where every local user can read it (the browser's and the desktop opener's arguments): the
// browser is handed a private page instead, which replaces itself with the address.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace zep {

inline constexpr std::chrono::milliseconds kWebmailPageLifetime{60000};

// The page: a meta refresh and location.replace to `address` (ASCII, as a URL is encoded),
// escaped for HTML and for the script.
std::string WebmailRedirectPage(std::string_view address);

// Writes the page for `address` to a new file that only the user can read (0600, created
// exclusively, never through a link) in $XDG_RUNTIME_DIR, or, when that is unset or not the
// user's private folder, in a new 0700 folder in the temporary folder. The file goes after
// `lifetime` on the event loop, or at exit when that comes first. Its path; empty on failure.
std::string WriteWebmailPage(std::string_view address,
                             std::chrono::milliseconds lifetime = kWebmailPageLifetime);

} // namespace zep
