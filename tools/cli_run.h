#pragma once
// zepim-cli as a function, so that tests run it in-process against a scripted server.

#include "common/im_result.h"
#include "protocol/contact_record.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zep {
struct ImConnection;
struct TlsPeerTrust;
} // namespace zep

namespace zep::cli {

struct CliOptions;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct CliEnvironment
{
    std::istream* in = nullptr; // the password with --password-stdin
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    std::function<const char*(const char*)> getenv;
    // Readable when watch must end (SIGINT/SIGTERM); -1 for none.
    int stopFd = -1;
    // The keep-alive interval of watch.
    int keepAliveMs = 60000;
    // The "Activity" value of each keep-alive.
    std::function<std::uint32_t()> activity;
    // Asks the user on the terminal and gives the answer line; nothing when there is no
    // terminal to ask on (then unset, as in scripts and tests).
    std::function<std::optional<std::string>(const std::string& question)> askTerminal;
};

int RunCli(const std::vector<std::string>& args, CliEnvironment& env);

// The warning of a refused certificate: both fingerprints, and what the user can do.
void ReportChangedCertificate(const TlsPeerTrust& trust, bool named, std::ostream& err);
// Pins the certificate of a first connection in the shared trust file and says so.
void PinOnFirstUse(const TlsPeerTrust& trust, std::ostream& err);
// Whether the user accepts a certificate with no pin that the system does not trust: yes with
// --accept-new-certificate, else the answer on the terminal ("y" or "yes"); no terminal is a
// no, with a line saying how to accept it.
bool AcceptNewCertificate(const TlsPeerTrust& trust, bool acceptNew, CliEnvironment& env);

// What a command works with once logged on.
struct CliSession
{
    ImConnection& conn;
    const CliOptions& options;
    CliEnvironment& env;
    ContactRecordUtf8 own;

    // Prints "zepim-cli: what: Name (number)" and gives the failure exit status.
    int Fail(const std::string& what, ImResult result);
};

int RunCommand(CliSession& session);
int RunWatch(CliSession& session);

// The activity tick of a headless run: this process's monotonic milliseconds (low 32 bits).
std::uint32_t MonotonicMilliseconds();

} // namespace zep::cli
