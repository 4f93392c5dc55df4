// The desktop's mail clients: the applications that handle "mailto" links, as the desktop's
// application database lists them, followed by the suite's webmail.
#pragma once

#include "common/im_result.h"

#include <string>
#include <vector>

namespace zep {

// The pseudo-client that opens the webmail in the browser; also its stored "emailclient" value.
inline constexpr char kWebMailClient[] = "ZEP WebMail";

struct MailClient
{
    std::string id;   // the desktop-file ID ("org.example.Mail.desktop"), or kWebMailClient
    std::string name; // what the user sees
};

struct MailClientList
{
    std::vector<MailClient> clients; // the mailto handlers, then the webmail (always there)
    std::string defaultId;           // the desktop's default mailto handler, or empty
};

// Reads the desktop's application database (XDG data folders and mimeapps.list) through GIO.
MailClientList EnumerateMailClients();

// Starts the desktop application `id` through GIO (g_app_info_launch: no shell, no command
// line of ours), with no file or address, so it opens on the user's mailbox. Only an ID of
// `list` that names a desktop application is started: NotFound for any other ID, BadArgument
// for the webmail pseudo-client, Failed when the launch fails (`error` says why).
ImResult LaunchMailClient(const MailClientList& list, const std::string& id, std::string& error);

} // namespace zep
