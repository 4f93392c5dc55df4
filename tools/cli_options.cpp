#include "tools/cli_options.h"

#include "transport/tls_pins.h"

#include <charconv>
#include <set>

namespace zep::cli {

namespace {

const std::set<std::string> kCommands = {
    "contacts", "watch",       "send-im",        "send-email", "send-sms",  "send-pager",  "status",
    "search",   "add-contact", "delete-contact", "block",      "variables", "set-variable"};

} // namespace

const char* UsageText()
{
    return "usage: zepim-cli --server HOST [--port N]\n"
           "                 [--tls [--tls-fingerprint HEX | --accept-new-certificate]]\n"
           "                 [--proxy HOST[:PORT]] --email ADDRESS [--password-stdin] [--log "
           "FILE]\n"
           "                 COMMAND [ARGS]\n"
           "commands:\n"
           "  contacts\n"
           "  watch [--seconds N]\n"
           "  send-im ADDRESS TEXT\n"
           "  send-email ADDRESS SUBJECT TEXT\n"
           "  send-sms NUMBER TEXT\n"
           "  send-pager NUMBER TEXT\n"
           "  status WORD [SUBWORD] [--custom TEXT]\n"
           "  search TEXT\n"
           "  add-contact ADDRESS | delete-contact ADDRESS | block ADDRESS\n"
           "  variables\n"
           "  set-variable NAME=VALUE...\n"
           "The password is one line of standard input with --password-stdin, else the\n"
           "environment variable ZEPIM_PASSWORD.\n"
           "In TLS a server certificate the system does not trust and the messenger's trust\n"
           "file does not pin is shown with its SHA-256 fingerprint, and pinned there only when\n"
           "you answer \"y\" on the terminal; without a terminal it is refused unless\n"
           "--accept-new-certificate is given. A changed certificate is refused.\n"
           "--tls-fingerprint accepts exactly the certificate with that SHA-256 fingerprint,\n"
           "for this run only, and pins nothing.\n";
}

bool ParsePort(const std::string& text, std::uint16_t& port)
{
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool ParseOptions(const std::vector<std::string>& argv, CliOptions& o, std::string& problem)
{
    std::size_t i = 0;
    // Options take their value from the next argument or after "=".
    const auto value = [&](const std::string& arg, const std::string& name,
                           std::string& out) -> bool {
        if (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0) {
            out = arg.substr(name.size() + 1);
            return true;
        }
        if (i + 1 >= argv.size()) {
            problem = name + " needs a value";
            return false;
        }
        out = argv[++i];
        return true;
    };
    const auto is = [](const std::string& arg, const char* name) {
        std::string n(name);
        return arg == n || arg.compare(0, n.size() + 1, n + "=") == 0;
    };
    for (; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        std::string v;
        if (is(arg, "--server")) {
            if (!value(arg, "--server", o.server))
                return false;
        } else if (is(arg, "--port")) {
            std::uint16_t port = 0;
            if (!value(arg, "--port", v))
                return false;
            if (!ParsePort(v, port)) {
                problem = "bad port: " + v;
                return false;
            }
            o.port = port;
        } else if (arg == "--tls") {
            o.tls = true;
        } else if (is(arg, "--tls-fingerprint")) {
            if (!value(arg, "--tls-fingerprint", v))
                return false;
            o.tlsFingerprint = NormalFingerprint(v);
            if (o.tlsFingerprint.empty()) {
                problem = "bad SHA-256 fingerprint: " + v;
                return false;
            }
        } else if (arg == "--accept-new-certificate") {
            o.acceptNewCertificate = true;
        } else if (is(arg, "--proxy")) {
            if (!value(arg, "--proxy", v))
                return false;
            o.proxy = true;
            std::size_t colon = v.rfind(':');
            // A bracketed IPv6 address keeps its colons.
            if (colon != std::string::npos && v.find(']', colon) == std::string::npos) {
                if (!ParsePort(v.substr(colon + 1), o.proxyPort)) {
                    problem = "bad proxy port: " + v;
                    return false;
                }
                v.resize(colon);
            }
            o.proxyHost = v;
            if (o.proxyHost.empty()) {
                problem = "empty proxy host";
                return false;
            }
        } else if (is(arg, "--email")) {
            if (!value(arg, "--email", o.email))
                return false;
        } else if (arg == "--password-stdin") {
            o.passwordStdin = true;
        } else if (is(arg, "--log")) {
            if (!value(arg, "--log", o.logFile))
                return false;
        } else if (arg.compare(0, 2, "--") == 0 || arg.empty()) {
            problem = "unknown option: " + arg;
            return false;
        } else {
            o.command = arg;
            o.args.assign(argv.begin() + static_cast<std::ptrdiff_t>(i) + 1, argv.end());
            break;
        }
    }
    if (o.server.empty()) {
        problem = "--server is required";
        return false;
    }
    if (o.email.empty()) {
        problem = "--email is required";
        return false;
    }
    if (!o.tlsFingerprint.empty() && !o.tls) {
        problem = "--tls-fingerprint needs --tls";
        return false;
    }
    if (o.acceptNewCertificate && !o.tls) {
        problem = "--accept-new-certificate needs --tls";
        return false;
    }
    if (o.acceptNewCertificate && !o.tlsFingerprint.empty()) {
        problem = "--accept-new-certificate and --tls-fingerprint exclude each other";
        return false;
    }
    if (o.command.empty()) {
        problem = "no command";
        return false;
    }
    if (!kCommands.count(o.command)) {
        problem = "unknown command: " + o.command;
        return false;
    }
    return true;
}

} // namespace zep::cli
