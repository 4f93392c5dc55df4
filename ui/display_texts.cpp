#include "ui/display_texts.h"

#include "protocol/ui_text.h"

#include <QCoreApplication>

namespace zep {
namespace {

DisplayTexts& Store()
{
    static DisplayTexts texts;
    return texts;
}

// The texts of the Qt-free parts that UiText translates, listed here for lupdate (the status
// names are those of the table below).
[[maybe_unused]] constexpr const char* kCoreTexts[] = {
    QT_TRANSLATE_NOOP("zep", "My Status:"),
    QT_TRANSLATE_NOOP("zep", "Conversation"),
    QT_TRANSLATE_NOOP("zep", " - Conversation"),
    QT_TRANSLATE_NOOP("zep", "<All participants have left the conversation>"),
    QT_TRANSLATE_NOOP("zep", "No recent email messages"),
    QT_TRANSLATE_NOOP("zep", "You have %1 recent email messages"),
    QT_TRANSLATE_NOOP("zep", "None of your contacts are online."),
    QT_TRANSLATE_NOOP("zep", "None of your contacts are offline."),
    QT_TRANSLATE_NOOP("zep", "No matching contacts."),
};

std::u16string TranslateUiText(std::u16string_view text)
{
    const QByteArray source =
        QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toUtf8();
    return QCoreApplication::translate("zep", source.constData()).toStdU16String();
}

} // namespace

void LoadDisplayTexts()
{
    SetUiTextTranslator(TranslateUiText);
    DisplayTexts& t = Store();
    t.statusNames = {QCoreApplication::translate("zep", "Online"),
                     QCoreApplication::translate("zep", "Offline"),
                     QCoreApplication::translate("zep", "Do not disturb"),
                     QCoreApplication::translate("zep", "Back soon"),
                     QCoreApplication::translate("zep", "Away"),
                     QCoreApplication::translate("zep", "Phone"),
                     QCoreApplication::translate("zep", "Lunch"),
                     QCoreApplication::translate("zep", "Meeting"),
                     QCoreApplication::translate("zep", "Email")};
    t.contactMethodNames = {QCoreApplication::translate("zep", "Home SMS"),
                            QCoreApplication::translate("zep", "Work SMS"),
                            QCoreApplication::translate("zep", "Work Pager"),
                            QCoreApplication::translate("zep", "Home Tel"),
                            QCoreApplication::translate("zep", "Work Tel"),
                            QCoreApplication::translate("zep", "Home Mobile"),
                            QCoreApplication::translate("zep", "Work Mobile"),
                            QCoreApplication::translate("zep", "Home Fax"),
                            QCoreApplication::translate("zep", "Work Fax")};
}

const DisplayTexts& Texts()
{
    if (Store().statusNames.isEmpty())
        LoadDisplayTexts();
    return Store();
}

namespace text {
QString AppTitle()
{
    return QCoreApplication::translate("zep", "ZEP Instant Messenger");
}
QString LogonFailed()
{
    return QCoreApplication::translate(
        "zep", "You could not be logged on. Please ensure that you have entered your full address "
               "and password correctly. Note that passwords are case sensitive.");
}
QString ConnectFailed()
{
    return QCoreApplication::translate(
        "zep", "Failed to connect to server. Please ensure that you have entered the server "
               "details correctly.");
}
QString Refusal(ImResult why, const QString& trustFile)
{
    if (why == ImResult::LessSecureLogon)
        return QCoreApplication::translate("zep", "The server asked for a less secure log-on "
                                                  "than before.");
    return QCoreApplication::translate(
               "zep", "The list of trusted server certificates cannot be read (%1), so the "
                      "server's certificate cannot be checked. Make the file readable, or remove "
                      "it to start a new list.")
        .arg(trustFile.isEmpty() ? QCoreApplication::translate("zep", "there is no place for it")
                                 : trustFile);
}

QString IncompatibleVersion()
{
    return QCoreApplication::translate(
        "zep", "Incompatible version. Please update your ZEP Instant Messenger software.");
}
QString SignedOff()
{
    return QCoreApplication::translate(
               "zep", "Signed off %1 because you signed on from a different location")
        .arg(AppTitle());
}
QString TrayTip(bool loggedOn)
{
    return AppTitle() + QStringLiteral(" - ") +
           (loggedOn ? QCoreApplication::translate("zep", "Logged On")
                     : QCoreApplication::translate("zep", "Not Logged On"));
}
QString UnreadMessages(int count)
{
    return QCoreApplication::translate("zep", "%1 unread messages").arg(count);
}
QString ClickToLogon()
{
    return QCoreApplication::translate("zep", "Click here to logon");
}
QString LoggingOn()
{
    return QCoreApplication::translate("zep", "Logging on...");
}
QString TrustQuestion()
{
    return QCoreApplication::translate("zep", "Trust this server?");
}
QString CertificateDetails(const QString& server, const QString& subject, const QString& issuer,
                           const QString& fingerprint, const QString& reason)
{
    return QCoreApplication::translate(
               "zep",
               "The certificate of %1 is not vouched for by an authority this computer trusts "
               "(%2), and it has not been trusted before.\n\n"
               "Subject: %3\nIssuer: %4\nSHA-256 fingerprint:\n%5\n\n"
               "Trust it only when the fingerprint is the one your administrator gave you. The "
               "messenger will then accept this certificate from this server from now on.")
        .arg(server, reason, subject, issuer, fingerprint);
}
QString CertificateNotTrusted(const QString& server)
{
    return QCoreApplication::translate(
               "zep", "The logon was cancelled: the certificate of %1 is not trusted.")
        .arg(server);
}
QString CertificateChanged(const QString& server, const QString& pinned, const QString& presented)
{
    return QCoreApplication::translate(
               "zep",
               "WARNING: the certificate of %1 has changed, and the connection was refused.\n\n"
               "Trusted certificate (SHA-256):\n%2\n\nPresented certificate (SHA-256):\n%3\n\n"
               "Someone may be intercepting the connection. If your administrator replaced the "
               "server's certificate, forget the trusted one on the Connection page of the "
               "options and log on again.")
        .arg(server, pinned, presented);
}
QString CertificateNotPinned(const QString& file)
{
    return QCoreApplication::translate("zep", "The certificate could not be saved in %1.")
        .arg(file);
}
} // namespace text

} // namespace zep
