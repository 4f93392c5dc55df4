// The user interface's language: the messenger's own translations and Qt's, for the
// languages the desktop asks for (LANGUAGE, then the locale).
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace zep {

// The folder of the compiled translations: beside the program in a build tree, under the
// data folder of an installed tree. Empty when neither holds any.
QString TranslationsDirectory();

// Installs the messenger's (from `directory`) and Qt's translators for the locale's UI
// languages, before the first window, replacing those of an earlier call. English needs none.
// Returns the file of the messenger's own translation that was loaded, empty when none was.
QString InstallTranslations(QCoreApplication& app, const QLocale& locale = QLocale(),
                            const QString& directory = TranslationsDirectory());

} // namespace zep
