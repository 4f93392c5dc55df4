#pragma once
// The command line of zepim-ctl, one subcommand per MessengerControl procedure, and how a
// procedure's result becomes output and an exit status. No Qt and no bus here.
//   zepim-ctl details|send-im|send-sms|send-pager|send-email ADDRESS
//   zepim-ctl state|login|logout|exit|open|hide|watch

#include <string>
#include <vector>

namespace zep::ctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoMessenger = 3;

struct Command
{
    const char* name;      // "send-im"
    const char* procedure; // "SendInstantMessage"
    bool takesAddress;
    // The names of the out values after the result, in reply order.
    std::vector<const char*> outs;
    // ExitMessenger and OpenMessenger answer 1 for a handled command.
    bool oneIsSuccess;
};

// The eleven procedure commands, in operation-number order.
const std::vector<Command>& Commands();

struct Parsed
{
    enum class Kind
    {
        Call,
        Watch,
        Help,
        Version,
        Bad,
    };
    Kind kind = Kind::Bad;
    const Command* command = nullptr; // for Call
    std::string address;
    std::string problem; // for Bad
};

Parsed Parse(const std::vector<std::string>& args);

const char* UsageText();
const char* VersionText();

// 0 when the result means success for this command, else 1.
int ExitFor(const Command& command, int result);
// "zepim-ctl: SendInstantMessage: NotFound (207)".
std::string FailureLine(const Command& command, int result);
// "Status=0\nSubStatus=0\n..." from the out values (missing ones count as 0).
std::string OutputLines(const Command& command, const std::vector<int>& outs);
// One line of watch: "Visible=1 LoggedOn=0".
std::string StateLine(int visible, int loggedOn);

} // namespace zep::ctl
