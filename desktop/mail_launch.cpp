#include "desktop/mail_launch.h"

#include "desktop/webmail_page.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "transport/log_writer.h"

#include <QDesktopServices>
#include <QGuiApplication>

namespace zep {
namespace {

constexpr int kLogMailLaunch = 99999;

WindowSearch RaiseOnThisDesktop(std::string_view windowName)
{
    // Only X11 lets an application list the windows of other programs.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return WindowSearch::Unavailable;
    return RaiseWebmailWindow(windowName);
}

void Note(const std::string& text)
{
    LogWrite(ZepimLog(), kLogFailure, kLogMailLaunch, text);
}

} // namespace

WebmailCredentialInput SavedWebmailCredentials(const Settings& settings)
{
    WebmailCredentialInput input;
    input.savePassword = settings.ReadInt(setting::SavePassword, 0) != 0;
    input.savedAddress = settings.ReadText(setting::Email).toStdString();
    if (input.savePassword)
        input.savedPassword =
            PasswordUnscramble(settings.ReadText(setting::Password).toStdString());
    return input;
}

MailLaunch LaunchMail(const WebmailCredentialInput& credentials, const MailDesktop& desktop)
{
    const MailClientList list = desktop.enumerate ? desktop.enumerate() : EnumerateMailClients();
    Settings settings;
    std::string choice = list.defaultId;
    if (settings.ReadInt(setting::EmailMode, 0) == 1) {
        const std::string chosen = settings.ReadText(setting::EmailClient).toStdString();
        if (!chosen.empty())
            choice = chosen;
        if (choice == kWebMailClient)
            return LaunchWebmail(credentials, desktop);
    }
    if (choice.empty() || choice == kWebMailClient) {
        Note("No mail client to launch.");
        return MailLaunch::Nothing;
    }
    std::string error;
    const ImResult rc = desktop.startClient ? desktop.startClient(list, choice, error)
                                            : LaunchMailClient(list, choice, error);
    if (rc != ImResult::Ok) {
        Note("Mail client " + choice + " not started: " + error);
        return MailLaunch::Nothing;
    }
    LogWrite(ZepimLog(), kLogProgress, kLogMailLaunch, "Mail client " + choice + " started.");
    return MailLaunch::ClientStarted;
}

MailLaunch LaunchWebmail(const WebmailCredentialInput& credentials, const MailDesktop& desktop)
{
    Settings settings;
    const std::string windowName = settings.ReadText(setting::EmailClientWindowName).toStdString();
    const WindowSearch search =
        desktop.raiseWebmail ? desktop.raiseWebmail(windowName) : RaiseOnThisDesktop(windowName);
    if (search == WindowSearch::Raised)
        return MailLaunch::WebmailRaised;

    const std::string token = WebmailLogonToken(ChooseWebmailCredentials(credentials));
    std::string address;
    const ImResult rc = BuildWebmailAddress(
        settings.ReadText(setting::Server).toStdString(),
        settings.ReadText(setting::EmailClientCommand).toStdString(), token, address);
    // The address is never logged: it carries the token, which carries the password.
    if (rc != ImResult::Ok) {
        Note("Webmail not opened: the server name or emailclientcommand is not a web address.");
        return MailLaunch::Nothing;
    }
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::StrictMode);
    if (!url.isValid()) {
        Note("Webmail not opened: the address is not a valid web address.");
        return MailLaunch::Nothing;
    }
    // The browser gets a private page that leads on to the address: the address itself on the
    // opener's or the browser's command line could be read by any local user.
    const std::string page = WriteWebmailPage(url.toEncoded().toStdString(), desktop.pageLifetime);
    if (page.empty()) {
        Note("Webmail not opened: no private page could be written for it.");
        return MailLaunch::Nothing;
    }
    const QUrl pageUrl = QUrl::fromLocalFile(QString::fromStdString(page));
    const bool opened =
        desktop.openUrl ? desktop.openUrl(pageUrl) : QDesktopServices::openUrl(pageUrl);
    if (!opened) {
        Note("Webmail not opened: the desktop has no browser for it.");
        return MailLaunch::Nothing;
    }
    return MailLaunch::WebmailOpened;
}

} // namespace zep
