// Points the settings and the XDG folders of one test at a fresh temporary folder, so tests that
// ctest runs side by side never share a settings file.
#pragma once

#include <QSettings>
#include <QTemporaryDir>
#include <QtGlobal>

namespace zep::test {

class ScratchHome
{
public:
    ScratchHome()
    {
        const QString root = m_dir.path();
        qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
        qputenv("XDG_STATE_HOME", (root + "/state").toUtf8());
        qputenv("XDG_DATA_HOME", (root + "/data").toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + "/config");
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root + "/config");
    }
    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

} // namespace zep::test
