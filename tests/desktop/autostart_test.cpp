#include "desktop/autostart.h"
#include "tests/support/scratch_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace zep {
namespace {

class AutostartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Executables named with characters the Exec rules reserve.
        QDir().mkpath(home.Path() + "/bin dir");
        for (const QString& name : {QString("zepim"), QString("other"), QString("we$ird %\"x")}) {
            QFile f(home.Path() + "/bin dir/" + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    QString Exe(const QString& name) const { return home.Path() + "/bin dir/" + name; }

    test::ScratchHome home;
};

TEST_F(AutostartTest, SetTestAndRemove)
{
    EXPECT_FALSE(TestRunValue(Exe("zepim")));
    ASSERT_TRUE(SetRunValue(true, Exe("zepim")));
    EXPECT_EQ(AutostartEntryPath(), home.Path() + "/config/autostart/ZEPMessenger.desktop");
    EXPECT_TRUE(QFile::exists(AutostartEntryPath()));
    EXPECT_TRUE(TestRunValue(Exe("zepim")));

    QFile f(AutostartEntryPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(
        text.contains("Exec=\"" + QFileInfo(Exe("zepim")).canonicalFilePath() + "\" /background\n"))
        << text.toStdString();

    ASSERT_TRUE(SetRunValue(false, Exe("zepim")));
    EXPECT_FALSE(QFile::exists(AutostartEntryPath()));
    EXPECT_FALSE(TestRunValue(Exe("zepim")));
    EXPECT_TRUE(SetRunValue(false, Exe("zepim"))) << "removing an absent entry succeeds";
}

TEST_F(AutostartTest, EntryOfAnotherExecutableCountsAsAbsent)
{
    ASSERT_TRUE(SetRunValue(true, Exe("other")));
    EXPECT_FALSE(TestRunValue(Exe("zepim")));
    EXPECT_TRUE(TestRunValue(Exe("other")));
}

TEST_F(AutostartTest, HiddenOrEmptyEntryCountsAsAbsent)
{
    ASSERT_TRUE(SetRunValue(true, Exe("zepim")));
    QFile f(AutostartEntryPath());
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("Hidden=true\n");
    f.close();
    EXPECT_FALSE(TestRunValue(Exe("zepim")));

    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Desktop Entry]\nType=Application\nExec=\n");
    f.close();
    EXPECT_FALSE(TestRunValue(Exe("zepim")));
}

TEST_F(AutostartTest, ReservedCharactersInThePathRoundTrip)
{
    const QString exe = Exe("we$ird %\"x");
    ASSERT_TRUE(SetRunValue(true, exe));
    EXPECT_TRUE(TestRunValue(exe));
    EXPECT_EQ(QuoteExecArgument("a\"b$c`d\\e%f"), "\"a\\\"b\\$c\\`d\\\\e%%f\"");
    EXPECT_EQ(FirstExecArgument("\"/a b/c\\\\\\\\d\" /background"), "/a b/c\\d");
    EXPECT_EQ(FirstExecArgument("/usr/bin/zepim /background"), "/usr/bin/zepim");
}

} // namespace
} // namespace zep
