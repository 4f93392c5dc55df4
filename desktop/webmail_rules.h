// The rules of the webmail launch that need no desktop: whose credentials go into the log-on
// token, the address that is opened, and which window titles are an open webmail. Plain C++.
#pragma once

#include "common/im_result.h"

#include <optional>
#include <string>
#include <string_view>

namespace zep {

// The webmail service listens on this port of the messaging server.
inline constexpr int kWebmailPort = 8000;

struct WebmailCredentialInput
{
    bool loggedOn = false;
    std::string liveAddress;   // the logged-on session's address
    std::string livePassword;  // and the password it logged on with (plain)
    std::string savedAddress;  // "email"
    std::string savedPassword; // "password", already unscrambled
    bool savePassword = false; // "savepassword"
};

struct WebmailCredentials
{
    std::string address;
    std::string password;
};

// The live session's credentials while logged on; otherwise the saved ones, and only when the
// user chose to keep the password; otherwise none (the webmail then asks for them).
std::optional<WebmailCredentials> ChooseWebmailCredentials(const WebmailCredentialInput& input);

// The form-encoded log-on token of `credentials`, or "" when there are none or they do not fit
// a token (the webmail then asks for them).
std::string WebmailLogonToken(const std::optional<WebmailCredentials>& credentials);

// The address to open. With `command` ("emailclientcommand") the token is appended to it,
// after "?" or, when it already has a query part, after "&"; it must be an http or https
// address with a valid host and no fragment. Without it, the server's webmail log-on page on
// port 8000; an IPv6 literal host is bracketed. BadArgument for an empty or malformed server
// or a refused command. An empty token leaves the "applv" parameter out.
ImResult BuildWebmailAddress(std::string_view server, std::string_view command,
                             std::string_view token, std::string& address);

// A window title that shows the webmail: one that begins with `windowName`
// ("emailclientwindowname") when it is set, else one of the webmail's own titles.
bool WebmailTitleMatches(std::string_view title, std::string_view windowName);

} // namespace zep
