#include "tools/cli_run.h"

#include "protocol/product.h"

#include "protocol/requests.h"
#include "tools/cli_commands.h"
#include "tools/cli_options.h"
#include "transport/im_connection.h"
#include "transport/log_writer.h"
#include "transport/tls_pins.h"

#include <chrono>
#include <istream>
#include <optional>
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

void ReportChangedCertificate(const TlsPeerTrust& trust, bool named, std::ostream& err)
{
    err << "zepim-cli: WARNING: the certificate of " << trust.host << ":" << trust.port
        << " is not the " << (named ? "one given with --tls-fingerprint" : "pinned one") << "\n"
        << "  expected SHA-256 " << trust.expected << "\n"
        << "  presented SHA-256 " << trust.certificate.sha256 << "\n";
    if (!named)
        err << "zepim-cli: forget the pin in the messenger's options or name the new "
               "certificate with --tls-fingerprint\n";
}

void PinOnFirstUse(const TlsPeerTrust& trust, std::ostream& err)
{
    const std::string file = DefaultTrustFile();
    const ImResult saved =
        file.empty() ? ImResult::Failed
                     : PinCertificate(file, trust.host, trust.port, trust.certificate.sha256);
    err << "zepim-cli: trusting the certificate of " << trust.host << ":" << trust.port
        << " on first use: SHA-256 " << trust.certificate.sha256;
    if (saved == ImResult::Ok)
        err << " (pinned in " << file << ")\n";
    else
        err << " (could not be pinned: " << ImResultName(saved) << ")\n";
}

bool AcceptNewCertificate(const TlsPeerTrust& trust, bool acceptNew, CliEnvironment& env)
{
    if (acceptNew)
        return true;
    const std::string server = trust.host + ":" + std::to_string(trust.port);
    std::optional<std::string> answer;
    if (env.askTerminal) {
        std::string question = "The certificate of " + server + " is not trusted by the system";
        if (!trust.systemReason.empty())
            question += " (" + trust.systemReason + ")";
        question += " and not pinned.\n  SHA-256 " + trust.certificate.sha256 +
                    "\nTrust this server and pin its certificate in the messenger's trust "
                    "file? [y/N] ";
        answer = env.askTerminal(question);
    }
    if (!answer) {
        *env.err << "zepim-cli: the certificate of " << server
                 << " is not trusted and not pinned: SHA-256 " << trust.certificate.sha256
                 << "\nzepim-cli: no terminal to ask on; if that fingerprint is the server's, "
                    "run again with --accept-new-certificate to pin it or with "
                    "--tls-fingerprint HEX to accept it for one run\n";
        return false;
    }
    std::string word;
    for (char c : *answer)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            word += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return word == "y" || word == "yes";
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
    // Like a shell client: the first certificate of a server is shown and pinned once the user
    // accepts it, a changed one refused. The handshake accepts it so that it can be shown; the
    // decision comes before anything is sent.
    conn.trust.acceptFingerprint = options.tlsFingerprint;
    conn.trust.acceptUnknown = options.tlsFingerprint.empty();
    ImResult r = ImConnect(conn, options.server, options.Port(), options.tls, options.proxy,
                           options.proxyHost, options.proxyPort);
    if (r == ImResult::CertificateChanged)
        ReportChangedCertificate(conn.peerTrust, !options.tlsFingerprint.empty(), *env.err);
    if (r == ImResult::TrustFileUnusable)
        *env.err << "zepim-cli: the trust file "
                 << (conn.peerTrust.trustFile.empty() ? std::string("has no place (no HOME)")
                                                      : conn.peerTrust.trustFile)
                 << " cannot be read: no certificate can be checked against it; name the "
                    "server's with --tls-fingerprint\n";
    if (r != ImResult::Ok)
        return session.Fail("connect", r);
    if (conn.peerTrust.verdict == TlsTrustVerdict::FirstUse) {
        if (!AcceptNewCertificate(conn.peerTrust, options.acceptNewCertificate, env)) {
            ImDisconnect(conn);
            return session.Fail("connect", ImResult::CertificateUnknown);
        }
        PinOnFirstUse(conn.peerTrust, *env.err);
    }
    std::string version;
    r = ImVersion(conn, version);
    if (r != ImResult::Ok)
        return session.Fail("version", r);
    if (version != "4.0")
        return session.Fail("server protocol version \"" + version + "\" is not 4.0",
                            ImResult::Failed);
    r = ImLogon(conn, options.email, password, session.own);
    if (r == ImResult::LessSecureLogon)
        *env.err << "zepim-cli: the server asked for a less secure log-on than before (Basic "
                    "instead of Digest, without TLS): the password was not sent\n";
    if (r != ImResult::Ok)
        return session.Fail("logon", r);
    int status = options.command == "watch" ? RunWatch(session) : RunCommand(session);
    ImDisconnect(conn);
    return status;
}

} // namespace zep::cli
