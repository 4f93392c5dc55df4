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
} // namespace text

} // namespace zep
