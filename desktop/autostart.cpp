#include "desktop/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace zep {
namespace {

const QString kEntryName = QString::fromLatin1(kAutostartEntryName) + QStringLiteral(".desktop");

// Desktop-entry string values escape the backslash, so every backslash the Exec rules need is
// written twice in the file.
QString EscapeDesktopString(const QString& value)
{
    QString out;
    for (QChar c : value) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else
            out += c;
    }
    return out;
}

QString UnescapeDesktopString(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value[++i];
        if (n == u's')
            out += u' ';
        else if (n == u'n')
            out += u'\n';
        else if (n == u't')
            out += u'\t';
        else if (n == u'r')
            out += u'\r';
        else
            out += n;
    }
    return out;
}

QString CanonicalExecutable(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}

} // namespace

QString AutostartEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + kEntryName;
}

QString QuoteExecArgument(const QString& argument)
{
    QString out = QStringLiteral("\"");
    for (QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            out += u'\\';
        if (c == u'%')
            out += u'%'; // field codes start with "%", a literal one is doubled
        out += c;
    }
    out += u'"';
    return out;
}

QString FirstExecArgument(const QString& execValue)
{
    const QString exec = UnescapeDesktopString(execValue).trimmed();
    QString arg;
    if (exec.startsWith(u'"')) {
        for (qsizetype i = 1; i < exec.size(); ++i) {
            const QChar c = exec[i];
            if (c == u'"')
                break;
            if (c == u'\\' && i + 1 < exec.size())
                arg += exec[++i];
            else
                arg += c;
        }
    } else {
        arg = exec.section(u' ', 0, 0);
    }
    return arg.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

bool SetRunValue(bool present, const QString& executable)
{
    const QString path = AutostartEntryPath();
    if (!present)
        return !QFile::exists(path) || QFile::remove(path);

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=ZEP Instant Messenger\n"
        << "Comment=Start ZEP Instant Messenger with the desktop\n"
        << "Exec="
        << EscapeDesktopString(QuoteExecArgument(CanonicalExecutable(executable)) +
                               QStringLiteral(" /background"))
        << "\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    return file.commit();
}

bool TestRunValue(const QString& executable)
{
    QFile file(AutostartEntryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inEntry = false;
    bool hidden = false;
    QString exec;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        if (line.startsWith(QStringLiteral("Exec=")))
            exec = line.mid(5);
        else if (line == QStringLiteral("Hidden=true"))
            hidden = true;
    }
    if (hidden || exec.isEmpty())
        return false;
    return CanonicalExecutable(FirstExecArgument(exec)) == CanonicalExecutable(executable);
}

} // namespace zep
