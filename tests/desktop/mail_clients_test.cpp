// The mail-client list from a desktop application database of the test's own: two mailto
// handlers, one of them the default through mimeapps.list, an application that handles no
// mailto links, and the webmail always last.
#include "desktop/mail_clients.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace zep {
namespace {

void Write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray Entry(const char* name, const char* mime)
{
    return QByteArray("[Desktop Entry]\nType=Application\nName=") + name +
           "\nExec=/bin/true %u\nMimeType=" + mime + ";\n";
}

TEST(MailClients, MailtoHandlersTheDefaultAndTheWebmail)
{
    QTemporaryDir root;
    const QString data = root.path() + "/data";
    const QString config = root.path() + "/config";
    Write(data + "/applications/alpha-mail.desktop",
          Entry("Alpha Mail", "x-scheme-handler/mailto"));
    Write(data + "/applications/beta-mail.desktop", Entry("Beta Mail", "x-scheme-handler/mailto"));
    Write(data + "/applications/viewer.desktop", Entry("Viewer", "image/png"));
    Write(config + "/mimeapps.list",
          "[Default Applications]\nx-scheme-handler/mailto=beta-mail.desktop\n");
    // GIO reads the folders at its first use in this process.
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("XDG_DATA_DIRS", (root.path() + "/none").toUtf8());
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    qputenv("XDG_CONFIG_DIRS", (root.path() + "/none").toUtf8());
    qputenv("XDG_CURRENT_DESKTOP", "");

    const MailClientList list = EnumerateMailClients();
    std::vector<std::string> ids;
    for (const MailClient& client : list.clients)
        ids.push_back(client.id);
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids.back(), kWebMailClient);
    EXPECT_NE(std::find(ids.begin(), ids.end(), "alpha-mail.desktop"), ids.end());
    EXPECT_NE(std::find(ids.begin(), ids.end(), "beta-mail.desktop"), ids.end());
    EXPECT_EQ(list.defaultId, "beta-mail.desktop");
    for (const MailClient& client : list.clients)
        if (client.id == "alpha-mail.desktop") {
            EXPECT_EQ(client.name, "Alpha Mail");
        }
}

} // namespace
} // namespace zep
