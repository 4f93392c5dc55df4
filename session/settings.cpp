#include "session/settings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zep {

Settings::Settings() : m_store(kSettingsOrganisation, kSettingsApplication) {}

bool Settings::SecureStore()
{
    const QString path = Settings().FileName();
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const QByteArray file = QFile::encodeName(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    bool ok = ::chmod(folder.constData(), 0700) == 0;
    // QSettings saves through a temporary file that takes over the permissions of the existing
    // one, so creating it owner-only first keeps every later save owner-only.
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    ok = fd >= 0 && ::chmod(file.constData(), 0600) == 0 && ok;
    return ok;
}

QString Settings::InstallDirectoryFile()
{
    return QFileInfo(Settings().FileName()).absolutePath() + QLatin1Char('/') +
           QLatin1String(kSettingsApplication) + QStringLiteral(" installdir");
}

bool Settings::RecordInstallDirectory(const QString& folder, bool installed)
{
    const QString path = InstallDirectoryFile();
    if (QFileInfo::exists(path)) {
        if (!installed)
            return true;
        QFile recorded(path);
        if (recorded.open(QIODevice::ReadOnly) &&
            recorded.readAll() == QFile::encodeName(folder) + '\n')
            return true;
    }
    if (!QFileInfo(folder).isAbsolute() || folder.contains(QLatin1Char('\n')) ||
        !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    out.write(QFile::encodeName(folder) + '\n');
    return out.commit();
}

int Settings::ReadInt(const char* name, int fallback) const
{
    const QVariant v = m_store.value(name);
    if (!v.isValid())
        return fallback;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : fallback;
}

void Settings::WriteInt(const char* name, int value)
{
    m_store.setValue(name, value);
}

QString Settings::ReadText(const char* name, const QString& fallback) const
{
    const QVariant v = m_store.value(name);
    return v.isValid() ? v.toString() : fallback;
}

void Settings::WriteText(const char* name, const QString& value)
{
    m_store.setValue(name, value);
}

QByteArray Settings::ReadRecord(const char* name) const
{
    return m_store.value(name).toByteArray();
}

void Settings::WriteRecord(const char* name, const QByteArray& bytes)
{
    m_store.setValue(name, bytes);
}

QStringList Settings::ReadList(const QString& name) const
{
    return m_store.value(name).toStringList();
}

void Settings::WriteList(const QString& name, const QStringList& values)
{
    if (values.isEmpty())
        m_store.remove(name);
    else
        m_store.setValue(name, values);
}

bool Settings::Contains(const char* name) const
{
    return m_store.contains(name);
}

void Settings::Remove(const char* name)
{
    m_store.remove(name);
}

void Settings::Sync()
{
    m_store.sync();
}

int Settings::ServerPort(bool tls) const
{
    const int fallback = tls ? defaults::SslPort : defaults::Port;
    const int port = ReadInt(tls ? setting::SslPort : setting::Port, fallback) & 0xffff;
    return port == 0 ? fallback : port;
}

int Settings::ProxyPort() const
{
    const int port = ReadInt(setting::ProxyPort, defaults::ProxyPort) & 0xffff;
    return port == 0 ? defaults::ProxyPort : port;
}

int Settings::StoredPort(long typed, int fallback)
{
    const int port = static_cast<int>(typed & 0xffff);
    return port == 0 ? fallback : port;
}

namespace {

// The folder as the file system knows it: links resolved where it exists.
QString CanonicalFolder(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : canonical;
}

} // namespace

QString SettingsFolderTag()
{
    return SettingsFolderTag(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), QDir::homePath());
}

QString SettingsFolderTag(const QString& configFolder, const QString& homeFolder)
{
    if (configFolder.isEmpty())
        return {};
    const QString folder = CanonicalFolder(configFolder);
    if (folder == CanonicalFolder(homeFolder + QStringLiteral("/.config")))
        return {};
    return QString::fromLatin1(
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(12));
}

} // namespace zep
