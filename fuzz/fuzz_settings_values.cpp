// The messenger's settings file on arbitrary bytes, read the way the messenger reads it at
// start: every number, text and record value, the saved password, the stored server variables,
// the message font and the window placement. Never a crash; ports always come out usable.
#include "session/password_scramble.h"
#include "session/server_variables_store.h"
#include "session/settings.h"
#include "ui/placement.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QApplication* g_app = nullptr;
QWidget* g_window = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QTemporaryDir home;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    g_app = new QApplication(*argc, *argv);
    g_window = new QWidget;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static long long generation = 0;
    const QString path = zep::Settings().FileName();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    // A new time stamp for every input, so the shared store reads the file again.
    const timespec times[2] = {{1000000000 + ++generation, 0}, {1000000000 + generation, 0}};
    utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);

    const zep::Settings settings;
    for (const char* name :
         {zep::setting::UseSsl, zep::setting::UseProxy, zep::setting::SavePassword,
          zep::setting::AutoLogon, zep::setting::OpenMainWnd, zep::setting::EmailMode,
          zep::setting::OnlineNodeOpen, zep::setting::MessageColor})
        (void)settings.ReadInt(name, 0);
    for (const bool tls : {false, true}) {
        const int port = settings.ServerPort(tls);
        if (port <= 0 || port > 0xffff)
            std::abort();
    }
    const int proxyPort = settings.ProxyPort();
    if (proxyPort <= 0 || proxyPort > 0xffff)
        std::abort();
    (void)zep::PasswordUnscramble(settings.ReadText(zep::setting::Password).toStdString());
    (void)zep::StoredServerVariableLines(settings);
    QFont font;
    font.fromString(settings.ReadText(zep::setting::MessageLf));
    zep::RestoreMainPlacement(settings, *g_window);
    return 0;
}
