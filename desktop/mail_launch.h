// Opening the user's mail: the chosen desktop mail client, or the webmail in the browser
// (raising a webmail window that is already open). Started from the mail notice of the contact
// list and, when "autolaunchemailclient" is set, at start-up. Failures are silent for the user
// and written to the log without the address, which carries the log-on token.
#pragma once

#include "common/im_result.h"
#include "desktop/mail_clients.h"
#include "desktop/webmail_page.h"
#include "desktop/webmail_rules.h"
#include "desktop/webmail_window.h"

#include <QUrl>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace zep {

class Settings;

// The parts of the desktop the launch uses; tests replace them.
struct MailDesktop
{
    std::function<MailClientList()> enumerate = EnumerateMailClients;
    std::function<ImResult(const MailClientList&, const std::string&, std::string&)> startClient =
        LaunchMailClient;
    // Default: RaiseWebmailWindow on X11, Unavailable on other windowing systems.
    std::function<WindowSearch(std::string_view windowName)> raiseWebmail;
    // Default: QDesktopServices::openUrl. The webmail is opened as a private page (a file://
    // address), never with its log-on address.
    std::function<bool(const QUrl&)> openUrl;
    // How long that page stays.
    std::chrono::milliseconds pageLifetime = kWebmailPageLifetime;
};

enum class MailLaunch
{
    ClientStarted,
    WebmailRaised,
    WebmailOpened,
    Nothing // no client chosen or known, a refused address, or the launch failed
};

// "savepassword", "email" and the unscrambled "password": the credentials when logged off.
WebmailCredentialInput SavedWebmailCredentials(const Settings& settings);

// Launch mail: with "emailmode" 1 the client named by "emailclient" (empty: the desktop's
// default), which may be the webmail; with "emailmode" 0 the desktop's default mail client.
MailLaunch LaunchMail(const WebmailCredentialInput& credentials, const MailDesktop& desktop = {});

// Launch webmail: raise an open webmail window, else open the log-on address built from
// "server" or "emailclientcommand" and the credentials' token.
MailLaunch LaunchWebmail(const WebmailCredentialInput& credentials,
                         const MailDesktop& desktop = {});

} // namespace zep
