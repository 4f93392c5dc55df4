#include "app/translations.h"

#include "transport/install_dirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace zep {
namespace {

QPointer<QTranslator> g_qt;
QPointer<QTranslator> g_own;

// Loads `name` for the locale into a new translator of `app` and installs it; null when the
// folder holds none of the locale's languages.
QTranslator* Install(QCoreApplication& app, const QLocale& locale, const QString& name,
                     const QString& directory)
{
    auto* translator = new QTranslator(&app);
    if (directory.isEmpty() || !translator->load(locale, name, QStringLiteral("_"), directory)) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

} // namespace

QString TranslationsDirectory()
{
    const QString program = QCoreApplication::applicationDirPath();
    for (const QString& dir : {program + QStringLiteral("/translations"),
                               program + u'/' + QLatin1String(kTranslationsDirFromPrograms)}) {
        if (!QDir(dir).entryList({QStringLiteral("zepim_*.qm")}, QDir::Files).isEmpty())
            return QDir::cleanPath(dir);
    }
    return {};
}

QString InstallTranslations(QCoreApplication& app, const QLocale& locale, const QString& directory)
{
    // Deleting a translator uninstalls it.
    delete g_qt;
    delete g_own;
    // Qt's own texts: standard buttons, the edit fields' context menus.
    g_qt = Install(app, locale, QStringLiteral("qtbase"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    g_own = Install(app, locale, QStringLiteral("zepim"), directory);
    return g_own ? g_own->filePath() : QString();
}

} // namespace zep
