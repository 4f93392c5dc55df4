#include "session/server_variables_store.h"
#include "session/settings.h"
#include "tests/support/scratch_home.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace zep {
namespace {

class SettingsTest : public ::testing::Test
{
protected:
    test::ScratchHome home;
};

TEST_F(SettingsTest, MissingValuesGiveTheReadersDefaults)
{
    Settings s;
    EXPECT_EQ(s.ReadText(setting::Server), "");
    EXPECT_EQ(s.ServerPort(false), 8367);
    EXPECT_EQ(s.ServerPort(true), 8368);
    EXPECT_EQ(s.ProxyPort(), 8080);
    EXPECT_EQ(s.ReadInt(setting::UseSsl, 0), 0);
    EXPECT_EQ(s.ReadInt(setting::AutoLogon, defaults::AutoLogonAtStart), 1);
    EXPECT_EQ(s.ReadInt(setting::OpenMainWnd, defaults::OpenMainWndAtStart), 1);
    EXPECT_EQ(s.ReadInt(setting::OnlineNodeOpen, defaults::NodeOpen), 1);
    EXPECT_EQ(s.ReadText(setting::LogoLink, defaults::LogoLink), defaults::LogoLink);
    EXPECT_TRUE(s.ReadRecord(setting::MainWp).isEmpty());
}

TEST_F(SettingsTest, FileIsTheOrganisationAndApplicationFileUnderXdgConfigHome)
{
    Settings s;
    s.WriteText(setting::Server, "im.example.com");
    s.WriteInt(setting::Port, 9000);
    s.Sync();
    const QString expected = home.Path() + "/config/Corvane/ZEP Instant Messenger.conf";
    EXPECT_EQ(s.FileName(), expected);
    ASSERT_TRUE(QFile::exists(expected));

    // A file written by hand (as scripts and outside tests do) reads back with its types.
    QFile f(expected);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[General]\nserver=127.0.0.1\nport=4711\nsavepassword=1\npassword=secret\n");
    f.close();
    Settings fresh;
    fresh.Sync();
    EXPECT_EQ(fresh.ReadText(setting::Server), "127.0.0.1");
    EXPECT_EQ(fresh.ServerPort(false), 4711);
    EXPECT_EQ(fresh.ReadInt(setting::SavePassword, 0), 1);
    EXPECT_EQ(fresh.ReadText(setting::Password), "secret");
}

TEST_F(SettingsTest, WritesInOneObjectAreSeenByAnother)
{
    Settings a;
    Settings b;
    a.WriteInt(setting::SavePassword, 1);
    EXPECT_EQ(b.ReadInt(setting::SavePassword, 0), 1);
}

TEST_F(SettingsTest, NonNumericIntegerReadsAsDefault)
{
    Settings s;
    s.WriteText(setting::Port, "not a number");
    EXPECT_EQ(s.ServerPort(false), 8367);
}

TEST_F(SettingsTest, PortsKeepLowSixteenBitsAndZeroMeansDefault)
{
    EXPECT_EQ(Settings::StoredPort(0, defaults::Port), 8367);
    EXPECT_EQ(Settings::StoredPort(0, defaults::SslPort), 8368);
    EXPECT_EQ(Settings::StoredPort(0, defaults::ProxyPort), 8080);
    EXPECT_EQ(Settings::StoredPort(65536, defaults::Port), 8367);
    EXPECT_EQ(Settings::StoredPort(65536 + 25, defaults::Port), 25);
    Settings s;
    s.WriteInt(setting::SslPort, 0);
    EXPECT_EQ(s.ServerPort(true), 8368);
}

TEST_F(SettingsTest, ServerVariablesStoredUnderTheirNamesAndSentBackInOrder)
{
    Settings s;
    StoreServerVariables(s, [](std::string_view name) -> std::optional<std::string> {
        if (name == "IMAwayTime")
            return "5";
        if (name == "WebmailIMAvailability")
            return "AVAILABLE \xc3\xa9"; // UTF-8 survives the round trip
        return std::nullopt;
    });
    EXPECT_EQ(s.ReadText("IMAwayTime"), "5");
    EXPECT_EQ(s.ReadText("WebmailIMAvailability"), QString::fromUtf8("AVAILABLE \xc3\xa9"));
    EXPECT_TRUE(s.Contains("IMShowAway"));
    EXPECT_EQ(s.ReadText("IMShowAway"), "");

    s.WriteText("IMOfflineContactMethod", "HOMESMS\r\nInjected: 1");
    const auto lines = StoredServerVariableLines(s);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "WebmailIMAvailability: AVAILABLE \xc3\xa9");
    EXPECT_EQ(lines[2], "IMAwayTime: 5");
    EXPECT_EQ(lines[13], "IMOfflineContactMethod: HOMESMS  Injected: 1");
}

TEST(InstallDirectory, RecordedOnceOwnerOnlyAndTakenOverOnlyByAnInstalledProgram)
{
    test::ScratchHome home;
    const QString file = Settings::InstallDirectoryFile();
    EXPECT_TRUE(file.endsWith(QStringLiteral("/Corvane/ZEP Instant Messenger installdir")));
    const struct
    {
        const char* name;
        QString folder;
        bool installed;
        bool ok;
        QByteArray stored; // after the call
    } rows[] = {
        {"a relative folder is refused", QStringLiteral("build/bin"), false, false, {}},
        {"two lines are refused", QStringLiteral("/opt/a\n/opt/b"), false, false, {}},
        {"the first folder is recorded", QStringLiteral("/home/u/build/bin"), false, true,
         "/home/u/build/bin\n"},
        {"another build tree keeps it", QStringLiteral("/home/v/build/bin"), false, true,
         "/home/u/build/bin\n"},
        {"the installed program takes over", QStringLiteral("/usr/bin/"), true, true,
         "/usr/bin/\n"},
        {"an installed program with two lines is refused", QStringLiteral("/usr/bin\n/tmp"), true,
         false, "/usr/bin/\n"},
        {"a build tree started later keeps the installed one", QStringLiteral("/home/u/build/bin"),
         false, true, "/usr/bin/\n"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Settings::RecordInstallDirectory(row.folder, row.installed), row.ok) << row.name;
        QFile stored(file);
        EXPECT_EQ(stored.open(QIODevice::ReadOnly) ? stored.readAll() : QByteArray(), row.stored)
            << row.name;
        if (!row.stored.isEmpty()) {
            EXPECT_FALSE(stored.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
                << row.name;
        }
    }
}

} // namespace
} // namespace zep
