// The add-in's files: the toolbar placement, the registration manifest, and what "Launch"
// reads and checks before it starts anything.
#include "addin/launch.h"
#include "addin/manifest.h"
#include "addin/paths.h"
#include "addin/quillbay.h"
#include "addin/toolbar_placement.h"
#include "addin_fixture.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zep::test {
namespace {

using addin::BarProperty;

TEST(ParseDecimal, SignedThirtyTwoBitDecimalsOnly)
{
    const struct
    {
        const char* text;
        bool ok;
        int value;
    } rows[] = {
        {"0", true, 0},
        {"17", true, 17},
        {"-20", true, -20},
        {"+5", true, 5},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {" 1", false, 0},
        {"1 ", false, 0},
        {"0x10", false, 0},
        {"1.5", false, 0},
        {"99999999999", false, 0},
    };
    for (const auto& row : rows) {
        int value = 12345;
        EXPECT_EQ(addin::ParseDecimal(row.text, value), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(value, row.value) << row.text;
        }
    }
}

struct RestoreRow
{
    const char* name;
    std::optional<std::string> file; // none: no file
    std::vector<std::string> applied;
};

const RestoreRow kRestoreRows[] = {
    {"no_file", std::nullopt, {}},
    {"hidden_stays_hidden_here", "tbrvisible=0\n", {"bar.Visible 0"}},
    {"all_five",
     "tbrvisible=1\ntbrrowindex=2\ntbrposition=3\ntbrtop=-40\ntbrleft=120\n",
     {"bar.Visible 1", "bar.RowIndex 2", "bar.Position 3", "bar.Top -40", "bar.Left 120"}},
    {"only_visible_and_row", "tbrvisible=1\ntbrrowindex=2\n", {"bar.Visible 1", "bar.RowIndex 2"}},
    {"no_visible_value_shows_and_ends", "tbrrowindex=2\ntbrposition=3\n", {"bar.Visible 1"}},
    {"visible_not_an_integer", "tbrvisible=yes\ntbrrowindex=2\n", {"bar.Visible 1"}},
    {"a_bad_value_ends_the_restore",
     "tbrvisible=1\ntbrrowindex=2\ntbrposition=x\ntbrtop=5\n",
     {"bar.Visible 1", "bar.RowIndex 2"}},
    {"out_of_range_ends_the_restore", "tbrvisible=1\ntbrrowindex=99999999999\n", {"bar.Visible 1"}},
    {"order_in_the_file_does_not_matter_crlf_too",
     "tbrleft=7\r\ntbrtop=6\r\ntbrposition=5\r\ntbrrowindex=4\r\ntbrvisible=1\r\n",
     {"bar.Visible 1", "bar.RowIndex 4", "bar.Position 5", "bar.Top 6", "bar.Left 7"}},
};

class RestoreTest : public ::testing::TestWithParam<RestoreRow>
{
};

TEST_P(RestoreTest, AppliesInOrderUntilTheFirstBadValue)
{
    const RestoreRow& row = GetParam();
    TempDir dir;
    if (row.file) {
        ASSERT_TRUE(dir.Write("placement.conf", *row.file));
    }
    TestHost host;
    TestBar bar(host);
    addin::RestorePlacement(bar, dir.File("placement.conf"));
    EXPECT_EQ(host.calls, row.applied);
}

INSTANTIATE_TEST_SUITE_P(Files, RestoreTest, ::testing::ValuesIn(kRestoreRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddinFixture, ToolbarIsShownEvenWhenSavedHidden)
{
    ASSERT_TRUE(dir.Write("placement.conf", "tbrvisible=0\ntbrrowindex=3\n"));
    ASSERT_EQ(Connect(), addin::kOk);
    EXPECT_TRUE(host.explorer->bars->bar->visible);
    EXPECT_EQ(host.explorer->bars->bar->values[BarProperty::RowIndex], 3);
    EXPECT_EQ(host.explorer->bars->bar->values[BarProperty::Position], addin::kBarTop)
        << "what the file does not hold keeps the mail client's default";
}

TEST(SavePlacement, OnlyBesideExistingSettings)
{
    TempDir dir;
    TestHost host;
    TestBar bar(host);
    bar.visible = true;
    bar.values[BarProperty::RowIndex] = 2;
    bar.values[BarProperty::Left] = -15;
    const std::string file = dir.File("sub/placement.conf");
    EXPECT_FALSE(addin::SavePlacement(bar, file, dir.File("sub/settings.conf")));
    EXPECT_FALSE(addin::IsRegularFile(file)) << "nothing written, no folder made";
    struct stat st
    {
    };
    EXPECT_NE(::stat(dir.File("sub").c_str(), &st), 0);

    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0700), 0);
    ASSERT_TRUE(dir.Write("sub/settings.conf", "[General]\n"));
    ASSERT_TRUE(addin::SavePlacement(bar, file, dir.File("sub/settings.conf")));
    std::string saved;
    ASSERT_TRUE(addin::ReadSmallFile(file, 4096, saved));
    EXPECT_EQ(saved, "tbrvisible=1\ntbrrowindex=2\ntbrposition=1\ntbrtop=0\ntbrleft=-15\n");

    // Round trip onto a fresh toolbar.
    TestBar fresh(host);
    addin::RestorePlacement(fresh, file);
    EXPECT_TRUE(fresh.visible);
    EXPECT_EQ(fresh.values, bar.values);

    // A value that cannot be read ends the list; the rest is not written.
    host.failOn = {"bar.GetPosition"};
    bar.visible = false;
    ASSERT_TRUE(addin::SavePlacement(bar, file, dir.File("sub/settings.conf")));
    ASSERT_TRUE(addin::ReadSmallFile(file, 4096, saved));
    EXPECT_EQ(saved, "tbrvisible=0\ntbrrowindex=2\n");
    host.failOn = {"bar.GetVisible"};
    EXPECT_FALSE(addin::SavePlacement(bar, file, dir.File("sub/settings.conf")));
}

TEST(Manifest, RegisterWritesWhatParsesBackAndUnregisterRemovesIt)
{
    TempDir dir;
    const std::string file = dir.File("data/zepim/addins/Quillbay.ZEPQuillbay.addin");
    ASSERT_EQ(addin::RegisterAddin("/opt/zep/lib/libquillbay.so", file), addin::kOk);
    std::string text;
    ASSERT_TRUE(addin::ReadSmallFile(file, 65536, text));
    addin::Manifest m;
    std::string error;
    ASSERT_TRUE(addin::ParseManifest(text, m, error)) << error;
    EXPECT_EQ(m.progId, "Quillbay.ZEPQuillbay.1");
    EXPECT_EQ(m.versionIndependentProgId, "Quillbay.ZEPQuillbay");
    EXPECT_EQ(m.clsid, "{C47C6B2E-D6FC-439E-B8F5-4DD76CA31F7C}");
    EXPECT_EQ(m.friendlyName, "ZEP IM AddIn");
    EXPECT_EQ(m.addinDescription, "ZEP IM AddIn");
    EXPECT_EQ(m.loadBehavior, 3);
    EXPECT_EQ(m.commandLineSafe, 0);
    EXPECT_EQ(m.library, "/opt/zep/lib/libquillbay.so");
    EXPECT_EQ(m.abiVersion, QUILLBAY_ABI_VERSION);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Registering again replaces the file whole (no temporary left beside it).
    ASSERT_EQ(addin::RegisterAddin("/opt/zep/lib64/libquillbay.so", file), addin::kOk);
    ASSERT_TRUE(addin::ReadSmallFile(file, 65536, text));
    ASSERT_TRUE(addin::ParseManifest(text, m, error));
    EXPECT_EQ(m.library, "/opt/zep/lib64/libquillbay.so");
    EXPECT_EQ(addin::UnregisterAddin(file), addin::kOk);
    EXPECT_FALSE(addin::IsRegularFile(file));
    EXPECT_EQ(addin::UnregisterAddin(file), addin::kOk) << "nothing to remove is no failure";
}

TEST(Manifest, RefusesWhatIsNotOurs)
{
    const addin::Manifest good = [] {
        addin::Manifest m;
        m.library = "/usr/lib/libquillbay.so";
        m.abiVersion = 1;
        return m;
    }();
    const std::string text = addin::FormatManifest(good);
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const struct
    {
        const char* name;
        std::string text;
    } rows[] = {
        {"no group", replaced("[Add-in]", "[Other]")},
        {"another class", replaced("C47C6B2E", "00000000")},
        {"relative library", replaced("/usr/lib/libquillbay.so", "libquillbay.so")},
        {"load behaviour not a number", replaced("LoadBehavior=3", "LoadBehavior=three")},
        {"no ABI version", replaced("AbiVersion=1", "Other=1")},
        {"line without =", text + "garbage\n"},
    };
    for (const auto& row : rows) {
        addin::Manifest m;
        std::string error;
        EXPECT_FALSE(addin::ParseManifest(row.text, m, error)) << row.name;
        EXPECT_FALSE(error.empty()) << row.name;
    }
    EXPECT_EQ(addin::RegisterAddin("relative/libquillbay.so", "/tmp/x"), addin::kInvalidArgument);
    EXPECT_EQ(addin::RegisterAddin("/a\nb/libquillbay.so", "/tmp/x"), addin::kInvalidArgument);
}

TEST(SplitExec, DesktopEntryQuotingAndFieldCodes)
{
    const struct
    {
        const char* exec;
        std::vector<std::string> argv; // empty: refused
    } rows[] = {
        {"/usr/bin/zepim", {"/usr/bin/zepim"}},
        {"zepim /background %U", {"zepim", "/background"}},
        {"\"/opt/ZEP IM/zepim\" --x", {"/opt/ZEP IM/zepim", "--x"}},
        {"zepim \"a \\\"quoted\\\" \\$HOME\"", {"zepim", "a \"quoted\" $HOME"}},
        {"zepim $HOME ~ `id`", {"zepim", "$HOME", "~", "`id`"}},
        {"zepim %i %c %%", {"zepim", "--icon", "zepim-icon", "ZEP", "%"}},
        {"zepim\\sarg", {"zepim", "arg"}},
        {"zepim %k", {"zepim", "/apps/zepim.desktop"}},
        {"zepim \"unclosed", {}},
        {"zepim a\"b\"", {}},
        {"zepim %z", {}},
        {"%f", {}},
        {"", {}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> argv;
        std::string error;
        const bool ok =
            addin::SplitExec(row.exec, "zepim-icon", "ZEP", "/apps/zepim.desktop", argv, error);
        EXPECT_EQ(ok, !row.argv.empty()) << row.exec << ": " << error;
        if (ok) {
            EXPECT_EQ(argv, row.argv) << row.exec;
        }
    }
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

std::string Canonical(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    std::string out = real != nullptr ? real : "";
    std::free(real);
    return out;
}

// A script that writes its arguments, its parent and its open descriptors into `out`.
std::string MakeReporter(const TempDir& dir, const std::string& name, const std::string& out)
{
    const std::string path = Canonical(dir.Path()) + "/" + name;
    std::ofstream(path)
        << "#!/bin/sh\n"
        << "{ echo \"args:$*\"; echo \"ppid:$PPID\"; ls /proc/self/fd | tr '\\n' ' ';"
        << " echo; } > '" << out << ".tmp'\nmv '" << out << ".tmp' '" << out << "'\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

bool WaitForFile(const std::string& path)
{
    for (int i = 0; i < 500; ++i) {
        if (addin::IsRegularFile(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(CheckExecutable, OnlyCanonicalExecutablesNobodyElseCanChange)
{
    TempDir dir;
    const std::string base = Canonical(dir.Path());
    ASSERT_EQ(::chmod(base.c_str(), 0755), 0);
    const std::string good = MakeReporter(dir, "zepim", base + "/out");
    ::symlink(good.c_str(), (base + "/link").c_str());
    ::mkdir((base + "/folder").c_str(), 0755);
    std::ofstream(base + "/plain") << "x";
    ::chmod((base + "/plain").c_str(), 0644);
    MakeReporter(dir, "group-writable", base + "/out");
    ::chmod((base + "/group-writable").c_str(), 0775);
    MakeReporter(dir, "other-writable", base + "/out");
    ::chmod((base + "/other-writable").c_str(), 0757);
    ::mkdir((base + "/open").c_str(), 0777);
    ::chmod((base + "/open").c_str(), 0777);
    const std::string inOpen = base + "/open/zepim";
    std::ofstream(inOpen) << "#!/bin/sh\n";
    ::chmod(inOpen.c_str(), 0755);
    const struct
    {
        const char* name;
        std::string path;
        bool ok;
    } rows[] = {
        {"good", good, true},
        {"relative", "zepim", false},
        {"symbolic link", base + "/link", false},
        {"dot on the way", base + "/./zepim", false},
        {"dot-dot on the way", base + "/folder/../zepim", false},
        {"missing", base + "/none", false},
        {"folder", base + "/folder", false},
        {"not executable", base + "/plain", false},
        {"group writable", base + "/group-writable", false},
        {"others may write", base + "/other-writable", false},
        {"folder others may write", inOpen, false},
    };
    for (const auto& row : rows) {
        std::string error;
        EXPECT_EQ(addin::CheckExecutable(row.path, ::geteuid(), error), row.ok)
            << row.name << ": " << error;
    }
    if (::geteuid() == 0) {
        // Owned by someone who is neither root nor the user.
        ASSERT_EQ(::chown(good.c_str(), 65534, 65534), 0);
        std::string error;
        EXPECT_FALSE(addin::CheckExecutable(good, 0, error));
        EXPECT_TRUE(addin::CheckExecutable(good, 65534, error)) << error;
    }
}

TEST(FindLaunchCommand, DesktopEntryFirstThenTheRecordedFolder)
{
    TempDir dir;
    const std::string base = Canonical(dir.Path());
    ::chmod(base.c_str(), 0755);
    const std::string program = MakeReporter(dir, "zepim", base + "/out");
    ScopedEnv data("XDG_DATA_HOME", base + "/data");
    ScopedEnv dirs("XDG_DATA_DIRS", base + "/none");
    ScopedEnv config("XDG_CONFIG_HOME", base + "/config");
    std::vector<std::string> argv;
    std::string error;
    EXPECT_FALSE(addin::FindLaunchCommand(::geteuid(), argv, error)) << "nothing installed";
    EXPECT_NE(error.find("no desktop entry"), std::string::npos) << error;

    // The build tree's record: a folder holding "zepim".
    ::mkdir((base + "/config").c_str(), 0700);
    ::mkdir((base + "/config/Corvane").c_str(), 0700);
    ASSERT_TRUE(dir.Write("config/Corvane/ZEP Instant Messenger installdir", base + "/\n"));
    ASSERT_TRUE(addin::FindLaunchCommand(::geteuid(), argv, error)) << error;
    EXPECT_EQ(argv, std::vector<std::string>{program});
    ASSERT_TRUE(dir.Write("config/Corvane/ZEP Instant Messenger installdir", "relative/dir\n"));
    EXPECT_FALSE(addin::FindLaunchCommand(::geteuid(), argv, error));
    ASSERT_TRUE(dir.Write("config/Corvane/ZEP Instant Messenger installdir", base + "/$HOME\n"));
    EXPECT_FALSE(addin::FindLaunchCommand(::geteuid(), argv, error)) << "no variable expanded";

    // An installed entry wins: the one the package installs.
    const std::string entry = "data/applications/org.zep.ZEPMessenger.desktop";
    ::mkdir((base + "/data").c_str(), 0700);
    ::mkdir((base + "/data/applications").c_str(), 0700);
    ASSERT_TRUE(dir.Write(entry, "[Desktop Entry]\nType=Application\nName=ZEP\nExec=\"" + program +
                                     "\" /background %U\n"));
    ASSERT_TRUE(addin::FindLaunchCommand(::geteuid(), argv, error)) << error;
    EXPECT_EQ(argv, (std::vector<std::string>{program, "/background"}));
    ASSERT_TRUE(dir.Write(entry, "[Desktop Entry]\nType=Application\nExec=zepim\n"));
    {
        ScopedEnv path("PATH", base);
        ASSERT_TRUE(addin::FindLaunchCommand(::geteuid(), argv, error)) << error;
        EXPECT_EQ(argv, std::vector<std::string>{program}) << "a bare name is looked up in PATH";
    }
    // An entry that is a link is judged where it leads: here into a folder others may write.
    ::mkdir((base + "/open").c_str(), 0777);
    ::chmod((base + "/open").c_str(), 0777);
    ASSERT_TRUE(dir.Write("open/entry.desktop", "[Desktop Entry]\nType=Application\nExec=zepim\n"));
    ::unlink((base + "/" + entry).c_str());
    ::symlink((base + "/open/entry.desktop").c_str(), (base + "/" + entry).c_str());
    EXPECT_FALSE(addin::FindLaunchCommand(::geteuid(), argv, error));
    EXPECT_NE(error.find("its folder"), std::string::npos) << error;
    ::unlink((base + "/" + entry).c_str());
    ASSERT_TRUE(
        dir.Write(entry, "[Desktop Entry]\nType=Application\nHidden=true\nExec=" + program + "\n"));
    EXPECT_FALSE(addin::FindLaunchCommand(::geteuid(), argv, error));
    ASSERT_TRUE(dir.Write(entry, "[Desktop Entry]\nType=Link\nExec=" + program + "\n"));
    EXPECT_FALSE(addin::FindLaunchCommand(::geteuid(), argv, error));
}

TEST(StartDetached, RunsTheProgramDetachedWithNothingInherited)
{
    TempDir dir;
    const std::string base = Canonical(dir.Path());
    const std::string out = base + "/out";
    const std::string program = MakeReporter(dir, "zepim", out);
    // A descriptor the host has open without close-on-exec must not reach the program.
    const int opened = ::open("/dev/null", O_RDONLY);
    const int leaked = ::fcntl(opened, F_DUPFD, 50);
    ::close(opened);
    ASSERT_GE(leaked, 50);
    ASSERT_TRUE(addin::StartDetached({program, "/background", "$HOME"}));
    ::close(leaked);
    ASSERT_TRUE(WaitForFile(out));
    std::string report;
    ASSERT_TRUE(addin::ReadSmallFile(out, 4096, report));
    EXPECT_NE(report.find("args:/background $HOME\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("ppid:" + std::to_string(::getpid()) + "\n"), std::string::npos)
        << "not our child: " << report;
    // The shell's own descriptors (0-2 and what ls opens itself) only.
    const std::string fds = report.substr(report.find('\n', report.find("ppid:")) + 1);
    EXPECT_EQ(fds.find(" " + std::to_string(leaked) + " "), std::string::npos) << fds;
    EXPECT_FALSE(addin::StartDetached({base + "/missing"})) << "a program that cannot run";
    EXPECT_FALSE(addin::StartDetached({"relative"}));
}

} // namespace
} // namespace zep::test
