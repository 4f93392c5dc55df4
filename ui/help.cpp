#include "ui/help.h"

#include "transport/install_dirs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <array>
#include <utility>

namespace zep {
namespace {

constexpr std::array<std::pair<int, int>, 16> kContextTopics = {{
    {128, 256},
    {174, 512},
    {175, 513},
    {176, 514},
    {206, 768},
    {183, 1024},
    {184, 1025},
    {185, 1026},
    {182, 1027},
    {181, 1028},
    {130, 1280},
    {129, 1536},
    {207, 1792},
    {208, 2048},
    {162, 2304},
    {209, 2560},
}};

} // namespace

int HelpTopicForContext(unsigned context)
{
    const int resource = static_cast<int>(context & 0xffff);
    for (const auto& [res, topic] : kContextTopics) {
        if (res == resource)
            return topic;
    }
    return 1;
}

QString HelpPageForTopic(int topic)
{
    switch (topic) {
    case 256:
        return QStringLiteral("main.html");
    case 512:
    case 513:
    case 514:
        return QStringLiteral("options.html");
    case 1280:
    case 1536:
        return QStringLiteral("conversation.html");
    case 2304:
        return QStringLiteral("main.html");
    case 2560:
        return QStringLiteral("logon.html");
    default:
        return QStringLiteral("index.html");
    }
}

QString HelpDirectory()
{
    const QString program = QCoreApplication::applicationDirPath();
    // Beside the program in a build tree; under the data folder of an installed tree.
    for (const QString& dir : {program + QStringLiteral("/help"),
                               program + u'/' + QLatin1String(kHelpDirFromPrograms)}) {
        if (QFileInfo::exists(dir + QStringLiteral("/index.html")))
            return QDir::cleanPath(dir);
    }
    return {};
}

bool ShowHelp(unsigned context)
{
    const QString dir = HelpDirectory();
    const bool shown =
        !dir.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(
                              dir + u'/' + HelpPageForTopic(HelpTopicForContext(context))));
    if (!shown) {
        // Nothing happening at all would look like a dead menu entry.
        QWidget* over = QApplication::activeWindow();
        auto* box = new QMessageBox(
            QMessageBox::Information, QMessageBox::tr("ZEP Instant Messenger"),
            dir.isEmpty() ? QObject::tr("The help pages are not installed.")
                          : QObject::tr("The help could not be opened: no program is set up to "
                                        "open web pages.\n\nThe pages are in %1.")
                                .arg(QDir::toNativeSeparators(dir)),
            QMessageBox::Ok, over);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(over != nullptr ? Qt::WindowModal : Qt::NonModal);
        box->open();
    }
    return shown;
}

} // namespace zep
