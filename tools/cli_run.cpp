#include "tools/cli_run.h"

#include "protocol/product.h"

#include "protocol/requests.h"
#include "tools/cli_commands.h"
#include "tools/cli_options.h"
#include "transport/im_connection.h"
#include "transport/log_writer.h"

#include <chrono>
#include <istream>
#include <ostream>

namespace zep::cli {

int CliSession::Fail(const std::string& what, ImResult result)
{
    *env.err << "zepim-cli: " << what << ": " << ImResultName(result) << " ("
             << ImResultNumber(result) << ")" << std::endl;
    return kExitFailed;
}

std::uint32_t MonotonicMilliseconds()
{
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

int RunCli(const std::vector<std::string>& args, CliEnvironment& env)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        *env.out << UsageText();
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        *env.out << "zepim-cli " << kProductVersion << "\n";
        return 0;
    }
    CliOptions options;
    std::string problem;
    if (!ParseOptions(args, options, problem) || !CheckCommandArgs(options, problem)) {
        *env.err << "zepim-cli: " << problem << "\n" << UsageText();
        return kExitUsage;
    }
    std::string password;
    if (options.passwordStdin) {
        if (!env.in || !std::getline(*env.in, password)) {
            *env.err << "zepim-cli: no password on standard input\n" << UsageText();
            return kExitUsage;
        }
        if (!password.empty() && password.back() == '\r')
            password.pop_back();
    } else if (const char* value = env.getenv ? env.getenv("ZEPIM_PASSWORD") : nullptr) {
        password = value;
    } else {
        *env.err << "zepim-cli: no password: use --password-stdin or ZEPIM_PASSWORD\n"
                 << UsageText();
        return kExitUsage;
    }
    if (!options.logFile.empty()) {
        SetLogMask(kLogAll);
        ZepimLog().SetPath(options.logFile);
    }

    ImConnection conn;
    CliSession session{conn, options, env, {}};
    ImResult r = ImConnect(conn, options.server, options.Port(), options.tls, options.proxy,
                           options.proxyHost, options.proxyPort);
    if (r != ImResult::Ok)
        return session.Fail("connect", r);
    std::string version;
    r = ImVersion(conn, version);
    if (r != ImResult::Ok)
        return session.Fail("version", r);
    if (version != "4.0")
        return session.Fail("server protocol version \"" + version + "\" is not 4.0",
                            ImResult::Failed);
    r = ImLogon(conn, options.email, password, session.own);
    if (r != ImResult::Ok)
        return session.Fail("logon", r);
    int status = options.command == "watch" ? RunWatch(session) : RunCommand(session);
    ImDisconnect(conn);
    return status;
}

} // namespace zep::cli
