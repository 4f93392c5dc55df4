// The add-in in the real mail client: Thunderbird (headless, a throw-away profile with a local
// inbox holding a message from Echo) runs the extension, which starts zep-quillbay-host, which
// loads libquillbay.so, which drives the real zepim on the test's private bus, logged on to
// zep-devserver. The host's state log says what the toolbar showed; the messenger's traffic
// log says what reached the server.
//
// With ZEP_TB_SHOTS set to a folder (and DISPLAY to an X server), Thunderbird runs with its
// window and each state is also saved there as a screenshot.
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_home.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zep {
namespace {

using namespace std::chrono_literals;

constexpr char kExtensionId[] = "quillbay@zep-im.example";

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool OnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr)
{
    test::ChildProcess child;
    if (!child.Start(argv))
        return -1;
    const int status = child.Wait(30s);
    if (output != nullptr)
        *output = child.Output();
    return status;
}

// A profile that starts straight into the mail window: no account wizard, no start page, the
// extension installed unsigned, and one local inbox with a message from Echo.
void MakeProfile(const std::string& dir)
{
    const std::string local = dir + "/Mail/Local Folders";
    ASSERT_EQ(RunProgram({"mkdir", "-p", dir + "/extensions", local}), 0);
    ASSERT_EQ(RunProgram({"cp", ZEP_TB_EXTENSION, dir + "/extensions/" + kExtensionId + ".xpi"}),
              0);
    const std::vector<std::pair<std::string, std::string>> prefs = {
        {"xpinstall.signatures.required", "false"},
        {"extensions.autoDisableScopes", "0"},
        {"extensions.startupScanScopes", "15"},
        {"mail.shell.checkDefaultClient", "false"},
        {"mail.provider.suppress_dialog_on_startup", "true"},
        {"mail.spotlight.firstRunDone", "true"},
        {"mailnews.start_page.enabled", "false"},
        {"mail.rights.version", "1"},
        {"toolkit.telemetry.reportingpolicy.firstRun", "false"},
        {"datareporting.policy.dataSubmissionPolicyBypassNotification", "true"},
        {"app.update.disabledForTesting", "true"},
        {"mail.account.account1.server", "\"server1\""},
        {"mail.accountmanager.accounts", "\"account1\""},
        {"mail.accountmanager.localfoldersserver", "\"server1\""},
        {"mail.server.server1.directory-rel", "\"[ProfD]Mail/Local Folders\""},
        {"mail.server.server1.hostname", "\"Local Folders\""},
        {"mail.server.server1.name", "\"Local Folders\""},
        {"mail.server.server1.type", "\"none\""},
        {"mail.server.server1.userName", "\"nobody\""},
    };
    std::ofstream user(dir + "/user.js");
    for (const auto& [name, value] : prefs)
        user << "user_pref(\"" << name << "\", " << value << ");\n";
    std::ofstream inbox(local + "/Inbox");
    inbox << "From echo@example.com Tue Dec  8 10:00:00 2026\n"
             "From: Echo <echo@example.com>\n"
             "To: anna@example.com\n"
             "Subject: Hello from Echo\n"
             "Date: Tue, 08 Dec 2026 10:00:00 +0000\n"
             "Message-ID: <hello-1@example.com>\n"
             "MIME-Version: 1.0\n"
             "Content-Type: text/plain; charset=utf-8\n"
             "\n"
             "Ping me on ZEP.\n"
             "\n";
}

// Waits for a line of `file` after its first `from` bytes that matches `pattern`; its end, or
// npos on time-out.
std::size_t WaitForLine(const std::string& file, std::size_t from, const std::regex& pattern,
                        std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    do {
        const std::string text = ReadAll(file);
        std::size_t start = from;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
                break;
            if (std::regex_search(text.begin() + static_cast<long>(start),
                                  text.begin() + static_cast<long>(end), pattern))
                return end + 1;
            start = end + 1;
        }
        std::this_thread::sleep_for(100ms);
    } while (std::chrono::steady_clock::now() < until);
    return std::string::npos;
}

class ThunderbirdEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!OnPath("thunderbird"))
            GTEST_SKIP() << "thunderbird is not installed (scripts/deps installs it)";
        const std::string root = home.Path().toStdString();
        // Thunderbird finds the host's registration under HOME; the add-in's under the data
        // home; the messenger's settings and traffic log under the config and state homes.
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("ZEPIM_LOG_MASK", "0x100", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1); // the messenger's windows; Thunderbird has none
        const std::string runtime = root + "/runtime";
        ::mkdir(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        hostLog = root + "/host.log";
        setenv("ZEP_QUILLBAY_LOG", hostLog.c_str(), 1);
        setenv("ZEP_QUILLBAY_TEST", "1", 1);
        setenv("ZEP_QUILLBAY_UPDATE_MS", "300", 1);
        trafficLog = root + "/state/zepim/ZEPIM.LOG";
        if (const char* shots = std::getenv("ZEP_TB_SHOTS"))
            shotDir = shots;

        server.Start(
            {ZEP_DEVSERVER_BINARY, "--port", "0", "--tls-port", "0", "--webmail-port", "off"});
        std::smatch m;
        const std::string line = server.WaitForOutput("listening on");
        ASSERT_TRUE(std::regex_search(line, m, std::regex(R"(listening on (\S+):(\d+))")));
        Settings s;
        s.WriteText(setting::Server, "127.0.0.1");
        s.WriteInt(setting::Port, std::stoi(m[2]));
        s.WriteText(setting::Email, "anna@example.com");
        s.WriteText(setting::Password, QString::fromStdString(PasswordScramble("anna123")));
        s.WriteInt(setting::SavePassword, 1);
        s.WriteInt(setting::AutoLogon, 1);
        s.WriteInt(setting::OpenMainWnd, 1);
        s.WriteText(setting::Version, "18.1.4389");

        std::string out;
        ASSERT_EQ(RunProgram({ZEP_QUILLBAY_HOST, "--register"}, &out), 0) << out;
        profile = root + "/profile";
        MakeProfile(profile);
    }

    // The window as it is, then (with xdotool and the button's place in ZEP_TB_SHOT_BUTTON,
    // "x,y") the button's tool tip, and its context menu with the messenger's menu open.
    void Shoot(const std::string& name)
    {
        if (shotDir.empty())
            return;
        std::this_thread::sleep_for(1500ms); // the toolbar's last redraw
        const std::string file = shotDir + "/tb-" + name;
        EXPECT_EQ(RunProgram({"import", "-window", "root", file + ".png"}), 0);
        const char* button = std::getenv("ZEP_TB_SHOT_BUTTON");
        const std::string place = button != nullptr ? button : "";
        const auto comma = place.find(',');
        if (comma == std::string::npos || !OnPath("xdotool"))
            return;
        const std::string x = place.substr(0, comma);
        const std::string y = place.substr(comma + 1);
        RunProgram({"xdotool", "mousemove", x, y});
        std::this_thread::sleep_for(2000ms);
        EXPECT_EQ(RunProgram({"import", "-window", "root", file + "-tip.png"}), 0);
        RunProgram({"xdotool", "click", "3"});
        std::this_thread::sleep_for(800ms);
        RunProgram({"xdotool", "key", "Down", "Right"});
        std::this_thread::sleep_for(800ms);
        EXPECT_EQ(RunProgram({"import", "-window", "root", file + "-menu.png"}), 0);
        RunProgram({"xdotool", "key", "Escape", "Escape", "Escape"});
        RunProgram({"xdotool", "mousemove", "640", "700"});
    }

    test::ScratchHome home;
    test::ChildProcess server;
    std::string hostLog;
    std::string trafficLog;
    std::string profile;
    std::string shotDir;
};

bool StateIs(const std::string& expected)
{
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < until) {
        std::string out;
        if (RunProgram({ZEPIM_CTL_BINARY, "state"}, &out) == 0 && out == expected)
            return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

TEST_F(ThunderbirdEndToEnd, SelectedAuthorIsInvitedAndTheToolbarFollowsTheMessenger)
{
    test::ChildProcess messenger;
    ASSERT_TRUE(messenger.Start({ZEPIM_BINARY}));
    ASSERT_TRUE(StateIs("Visible=1\nLoggedOn=1\n")) << messenger.Output();

    std::vector<std::string> argv{"thunderbird", "-profile", profile, "--no-remote"};
    if (shotDir.empty())
        argv.insert(argv.begin() + 1, "--headless");
    test::ChildProcess thunderbird;
    ASSERT_TRUE(thunderbird.Start(argv));

    // What the toolbar shows, step by step: the control states in toolbar order as the host
    // logs them (the messenger's menu, its six commands, "Send", the drop-down, its four).
    const std::string menu = R"(\[ZEP Instant Messenger\]=1 )";
    struct Step
    {
        const char* what;
        std::vector<std::string> ctl; // run first, when not empty
        std::string pattern;
        const char* shot; // screenshot name, or null
    };
    const std::vector<Step> steps = {
        {"the host connected the add-in", {}, "hello connected", nullptr},
        {"Echo's message is selected", {}, R"(selection 1 echo@example\.com$)", nullptr},
        {"Echo can be sent an instant message",
         {},
         menu + R"(\[Launch\]=0 \[Open\]=1 \[Hide\]=1 \[Log In\]=0 \[Log Out\]=1 \[Exit\]=1 )"
                R"(\[Send\]=1 \[ \]=1 \[Instant Message\]=1 \[SMS Message\]=0 )"
                R"(\[Pager Message\]=0 \[Email Message\]=1 tip="Send Instant Message"$)",
         "contact-selected"},
        {"Send is pressed", {}, R"(click \[Send\]$)", nullptr},
        {"logged off, nothing can be sent",
         {ZEPIM_CTL_BINARY, "logout"},
         menu + R"(\[Launch\]=0 \[Open\]=1 \[Hide\]=1 \[Log In\]=1 \[Log Out\]=0 \[Exit\]=1 )"
                R"(\[Send\]=0 \[ \]=0 \[Instant Message\]=0 \[SMS Message\]=0 )"
                R"(\[Pager Message\]=0 \[Email Message\]=0 tip=""$)",
         "logged-off"},
        {"the messenger stopped: only Launch",
         {ZEPIM_CTL_BINARY, "exit"},
         menu + R"(\[Launch\]=1 \[Open\]=0 \[Hide\]=0 \[Log In\]=0 \[Log Out\]=0 \[Exit\]=0 )"
                R"(\[Send\]=0 \[ \]=0 \[Instant Message\]=0 \[SMS Message\]=0 )"
                R"(\[Pager Message\]=0 \[Email Message\]=0 tip=""$)",
         "not-running"},
    };
    const auto started = std::chrono::steady_clock::now();
    std::size_t read = 0;
    for (const Step& step : steps) {
        if (!step.ctl.empty()) {
            std::string out;
            EXPECT_EQ(RunProgram(step.ctl, &out), 0) << step.what << ": " << out;
        }
        const std::size_t end =
            WaitForLine(hostLog, read, std::regex(step.pattern), read == 0 ? 90s : 20s);
        ASSERT_NE(end, std::string::npos) << step.what << "\nhost log:\n"
                                          << ReadAll(hostLog) << "\nThunderbird:\n"
                                          << thunderbird.Output().substr(0, 4000);
        read = end;
        if (std::string(step.what) == "Send is pressed") {
            // The server took the INVITE for the selected author: the messenger logs every
            // protocol line it sends.
            const std::regex invite(R"(INVITE[\s\S]*Email: echo@example\.com)");
            const auto until = std::chrono::steady_clock::now() + 10s;
            while (!std::regex_search(ReadAll(trafficLog), invite) &&
                   std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(100ms);
            EXPECT_TRUE(std::regex_search(ReadAll(trafficLog), invite)) << ReadAll(trafficLog);
        }
        if (step.shot != nullptr)
            Shoot(step.shot);
    }
    EXPECT_EQ(messenger.Wait(15s), 0) << messenger.Output();

    // Closing Thunderbird ends the host: its add-in is let go, nothing is left running.
    thunderbird.Stop();
    EXPECT_NE(WaitForLine(hostLog, read, std::regex(" closed$"), 15s), std::string::npos)
        << ReadAll(hostLog);
    std::cout << "[ thunderbird ] states seen in "
              << std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - started)
                     .count()
              << " ms\n";
}

} // namespace
} // namespace zep
