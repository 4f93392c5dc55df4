// zepim-ctl against the real messenger: zepim logged on to zep-devserver as a program of its
// own, both on the test's private session bus, driven command by command as a script would.
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_home.h"

#include <chrono>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace zep {
namespace {

using namespace std::chrono_literals;

struct CtlRun
{
    int status = -1;
    std::string output;
};

CtlRun Ctl(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{ZEPIM_CTL_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    test::ChildProcess ctl;
    CtlRun run;
    if (!ctl.Start(argv))
        return run;
    run.status = ctl.Wait(20s);
    run.output = ctl.Output();
    return run;
}

// Asks until the state reads `expected` ("Visible=1\nLoggedOn=1\n"), for at most `limit`.
bool StateBecomes(const std::string& expected, std::chrono::milliseconds limit = 15s)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        const CtlRun run = Ctl({"state"});
        if (run.status == 0 && run.output == expected)
            return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

class CtlEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.Start({ZEP_DEVSERVER_BINARY, "--port", "0", "--tls-port", "0"});
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
    }

    test::ScratchHome home; // the child programs inherit its XDG folders
    test::ChildProcess server;
};

TEST_F(CtlEndToEnd, ScriptDrivesTheRunningMessenger)
{
    test::ChildProcess messenger;
    ASSERT_TRUE(messenger.Start({ZEPIM_BINARY}));
    ASSERT_TRUE(StateBecomes("Visible=1\nLoggedOn=1\n")) << messenger.Output();

    struct Step
    {
        std::vector<std::string> args;
        int status;
        std::string output;
        std::string stateAfter; // empty: not checked
    };
    const std::vector<Step> steps = {
        // Echo is a contact that is online: the reply comes once the server took the INVITE.
        {{"send-im", "echo@example.com"}, 0, "", ""},
        {{"details", "ECHO@example.com"},
         0,
         "Status=0\nSubStatus=0\nCanSendIm=1\nCanSendSms=0\nCanSendPager=0\nKnown=1\n",
         ""},
        {{"details", "nobody@example.com"},
         1,
         "zepim-ctl: GetContactDetails: NotFound (207)\n",
         ""},
        // No notification area here: the window is minimised (still visible), not hidden.
        {{"hide"}, 0, "", "Visible=1\nLoggedOn=1\n"},
        {{"open"}, 0, "", "Visible=1\nLoggedOn=1\n"},
        {{"logout"}, 0, "", "Visible=1\nLoggedOn=0\n"},
        {{"send-sms", "ben@example.com"}, 1, "zepim-ctl: SendSmsMessage: NotFound (207)\n", ""},
        {{"login"}, 0, "", "Visible=1\nLoggedOn=1\n"},
    };
    for (const Step& step : steps) {
        const CtlRun run = Ctl(step.args);
        EXPECT_EQ(run.status, step.status) << step.args[0] << ": " << run.output;
        EXPECT_EQ(run.output, step.output) << step.args[0];
        if (!step.stateAfter.empty()) {
            EXPECT_TRUE(StateBecomes(step.stateAfter)) << step.args[0];
        }
    }

    const CtlRun exit = Ctl({"exit"});
    EXPECT_EQ(exit.status, 0) << exit.output;
    EXPECT_EQ(messenger.Wait(15s), 0) << messenger.Output();
    // Gone means gone: the name went with the process.
    EXPECT_EQ(Ctl({"state"}).status, 3);
}

TEST(CtlWithoutMessenger, ExitStatusSaysWhatWentWrong)
{
    struct Row
    {
        std::vector<std::string> args;
        int status;
        const char* outputStart;
    };
    const std::vector<Row> rows = {
        {{"state"}, 3, "zepim-ctl: no messenger running"},
        {{"send-im", "echo@example.com"}, 3, "zepim-ctl: no messenger running"},
        {{"send-im"}, 2, "zepim-ctl: "},
        {{"state", "extra"}, 2, "zepim-ctl: "},
        {{"frobnicate"}, 2, "zepim-ctl: "},
        {{}, 2, "zepim-ctl: "},
        {{"--version"}, 0, "zepim-ctl "},
        {{"--help"}, 0, "usage: zepim-ctl"},
    };
    for (const Row& row : rows) {
        const CtlRun run = Ctl(row.args);
        const std::string what = row.args.empty() ? "(none)" : row.args[0];
        EXPECT_EQ(run.status, row.status) << what << ": " << run.output;
        EXPECT_EQ(run.output.rfind(row.outputStart, 0), 0u) << what << ": " << run.output;
    }
}

} // namespace
} // namespace zep
