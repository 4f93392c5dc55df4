#include "tools/ctl_commands.h"

#include "common/im_result.h"

#include <string_view>

namespace zep::ctl {

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = {
        {"details",
         "GetContactDetails",
         true,
         {"Status", "SubStatus", "CanSendIm", "CanSendSms", "CanSendPager", "Known"},
         false},
        {"send-im", "SendInstantMessage", true, {}, false},
        {"send-sms", "SendSmsMessage", true, {}, false},
        {"send-pager", "SendPagerMessage", true, {}, false},
        {"send-email", "SendEmailMessage", true, {}, false},
        {"state", "GetMessengerState", false, {"Visible", "LoggedOn"}, false},
        {"login", "LogIn", false, {}, false},
        {"logout", "LogOut", false, {}, false},
        {"exit", "ExitMessenger", false, {}, true},
        {"open", "OpenMessenger", false, {}, true},
        {"hide", "HideMessenger", false, {}, false},
    };
    return commands;
}

Parsed Parse(const std::vector<std::string>& args)
{
    Parsed parsed;
    if (args.empty()) {
        parsed.problem = "no command given";
        return parsed;
    }
    const std::string& name = args[0];
    if (name == "--help" || name == "-h") {
        parsed.kind = Parsed::Kind::Help;
        return parsed;
    }
    if (name == "--version") {
        parsed.kind = Parsed::Kind::Version;
        return parsed;
    }
    const auto rest = args.size() - 1;
    if (name == "watch") {
        if (rest != 0) {
            parsed.problem = "watch takes no arguments";
            return parsed;
        }
        parsed.kind = Parsed::Kind::Watch;
        return parsed;
    }
    for (const Command& command : Commands()) {
        if (name != command.name)
            continue;
        const std::size_t wanted = command.takesAddress ? 1 : 0;
        if (rest != wanted) {
            parsed.problem = name + (wanted ? " takes one ADDRESS" : " takes no arguments");
            return parsed;
        }
        parsed.kind = Parsed::Kind::Call;
        parsed.command = &command;
        if (wanted)
            parsed.address = args[1];
        return parsed;
    }
    parsed.problem = "unknown command: " + name;
    return parsed;
}

const char* UsageText()
{
    return "usage: zepim-ctl COMMAND [ADDRESS]\n"
           "Drives the running ZEP Instant Messenger over the session bus.\n"
           "\n"
           "  details ADDRESS     presence and reachable channels of a contact\n"
           "  send-im ADDRESS     open a conversation with a contact\n"
           "  send-sms ADDRESS    open an SMS window to a contact\n"
           "  send-pager ADDRESS  open a pager window to a contact\n"
           "  send-email ADDRESS  open an e-mail window to a contact\n"
           "  state               whether the window is visible and the user logged on\n"
           "  login | logout      log on with the saved details, log off\n"
           "  open | hide | exit  show, hide or end the messenger\n"
           "  watch               print the state at once and on every change\n"
           "\n"
           "Outputs are printed as NAME=VALUE lines. Exit status: 0 done, 1 the messenger\n"
           "refused (the reason on stderr), 2 bad arguments, 3 no messenger running.\n";
}

const char* VersionText()
{
    return "zepim-ctl 1.0 (MessengerControl 1.0)\n";
}

int ExitFor(const Command& command, int result)
{
    if (result == 0 || (command.oneIsSuccess && result == 1))
        return kExitOk;
    return kExitFailed;
}

std::string FailureLine(const Command& command, int result)
{
    return std::string("zepim-ctl: ") + command.procedure + ": " +
           ImResultName(static_cast<ImResult>(result)) + " (" + std::to_string(result) + ")";
}

std::string OutputLines(const Command& command, const std::vector<int>& outs)
{
    std::string text;
    for (std::size_t i = 0; i < command.outs.size(); ++i)
        text += std::string(command.outs[i]) + "=" + std::to_string(i < outs.size() ? outs[i] : 0) +
                "\n";
    return text;
}

std::string StateLine(int visible, int loggedOn)
{
    return "Visible=" + std::to_string(visible) + " LoggedOn=" + std::to_string(loggedOn);
}

} // namespace zep::ctl
