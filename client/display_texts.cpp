#include "display_texts.h"

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
QString ClickToLogon()
{
    return QCoreApplication::translate("zep", "Click here to logon");
}
QString LoggingOn()
{
    return QCoreApplication::translate("zep", "Logging on...");
}
} // namespace text

} // namespace zep
