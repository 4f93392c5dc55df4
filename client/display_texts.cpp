#include "display_texts.h"

#include <QCoreApplication>

namespace zep {
namespace {

DisplayTexts& Store()
{
    static DisplayTexts texts;
    return texts;
}

QString Tr(const char* source)
{
    return QCoreApplication::translate("zep", source);
}

} // namespace

void LoadDisplayTexts()
{
    DisplayTexts& t = Store();
    t.statusNames = {Tr("Online"), Tr("Offline"), Tr("Do not disturb"), Tr("Back soon"), Tr("Away"),
                     Tr("Phone"),  Tr("Lunch"),   Tr("Meeting"),        Tr("Email")};
    t.contactMethodNames = {Tr("Home SMS"),    Tr("Work SMS"), Tr("Work Pager"),
                            Tr("Home Tel"),    Tr("Work Tel"), Tr("Home Mobile"),
                            Tr("Work Mobile"), Tr("Home Fax"), Tr("Work Fax")};
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
    return Tr("ZEP Instant Messenger");
}
QString LogonFailed()
{
    return Tr("You could not be logged on. Please ensure that you have entered your full address "
              "and password correctly. Note that passwords are case sensitive.");
}
QString ConnectFailed()
{
    return Tr("Failed to connect to server. Please ensure that you have entered the server "
              "details correctly.");
}
QString IncompatibleVersion()
{
    return Tr("Incompatible version. Please update your ZEP Instant Messenger software.");
}
QString SignedOff()
{
    return Tr("Signed off %1 because you signed on from a different location").arg(AppTitle());
}
QString TrayTip(bool loggedOn)
{
    return AppTitle() + QStringLiteral(" - ") + (loggedOn ? Tr("Logged On") : Tr("Not Logged On"));
}
QString ClickToLogon()
{
    return Tr("Click here to logon");
}
QString LoggingOn()
{
    return Tr("Logging on...");
}
QString TrustQuestion()
{
    return Tr("Trust this server?");
}
QString CertificateDetails(const QString& server, const QString& subject, const QString& issuer,
                           const QString& fingerprint, const QString& reason)
{
    return Tr("The certificate of %1 is not vouched for by an authority this computer trusts "
              "(%2), and it has not been trusted before.\n\n"
              "Subject: %3\nIssuer: %4\nSHA-256 fingerprint:\n%5\n\n"
              "Trust it only when the fingerprint is the one your administrator gave you. The "
              "messenger will then accept this certificate from this server from now on.")
        .arg(server, reason, subject, issuer, fingerprint);
}
QString CertificateNotTrusted(const QString& server)
{
    return Tr("The logon was cancelled: the certificate of %1 is not trusted.").arg(server);
}
QString CertificateChanged(const QString& server, const QString& pinned, const QString& presented)
{
    return Tr("WARNING: the certificate of %1 has changed, and the connection was refused.\n\n"
              "Trusted certificate (SHA-256):\n%2\n\nPresented certificate (SHA-256):\n%3\n\n"
              "Someone may be intercepting the connection. If your administrator replaced the "
              "server's certificate, forget the trusted one on the Connection page of the "
              "options and log on again.")
        .arg(server, pinned, presented);
}
QString CertificateNotPinned(const QString& file)
{
    return Tr("The certificate could not be saved in %1.").arg(file);
}
} // namespace text

} // namespace zep
