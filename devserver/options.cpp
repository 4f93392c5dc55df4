#include "devserver/options.h"

#include "devserver/text.h"

namespace zep::devserver {

namespace {

bool ParsePort(const std::string& text, int& port)
{
    long long value = 0;
    if (!ParseInt(text, value) || value < 0 || value > 65535)
        return false;
    port = static_cast<int>(value);
    return true;
}

} // namespace

std::string Usage()
{
    return "usage: zep-devserver [--listen ADDR] [--port N] [--tls-port N] [--cert FILE --key "
           "FILE]\n"
           "                     [--users FILE] [--outbox DIR] [--session-timeout SECONDS]\n"
           "                     [--auth digest|basic] [--webmail-port N|off]\n"
           "                     [--help] [--version]\n"
           "Defaults: 127.0.0.1, port 8367, TLS port 8368, Digest, session time-out 600 s,\n"
           "built-in demo users, webmail log-on page on port 8000 (on a free port when --port\n"
           "or --tls-port is 0). Port 0 picks a free port.\n";
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "-h" || name == "--help") {
            options.help = true;
            continue;
        }
        if (name == "--version") {
            options.version = true;
            continue;
        }
        std::string value;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error =
                name.rfind("--", 0) == 0 ? name + " needs a value" : "unknown argument: " + name;
            return false;
        }
        bool ok = true;
        if (name == "--listen") {
            options.listen = value;
            ok = !value.empty();
        } else if (name == "--port") {
            ok = ParsePort(value, options.port);
        } else if (name == "--webmail-port") {
            if (value == "off")
                options.webmailPort = kWebmailOff;
            else
                ok = ParsePort(value, options.webmailPort);
        } else if (name == "--tls-port") {
            ok = ParsePort(value, options.tlsPort);
        } else if (name == "--cert") {
            options.certFile = value;
            ok = !value.empty();
        } else if (name == "--key") {
            options.keyFile = value;
            ok = !value.empty();
        } else if (name == "--users") {
            options.usersFile = value;
            ok = !value.empty();
        } else if (name == "--outbox") {
            options.outboxDir = value;
            ok = !value.empty();
        } else if (name == "--session-timeout") {
            ok = ParseInt(value, options.sessionTimeoutSeconds) &&
                 options.sessionTimeoutSeconds > 0 && options.sessionTimeoutSeconds <= 31536000;
        } else if (name == "--auth") {
            ok = IEquals(value, "digest") || IEquals(value, "basic");
            options.auth = IEquals(value, "basic") ? AuthScheme::Basic : AuthScheme::Digest;
        } else {
            error = "unknown argument: " + name;
            return false;
        }
        if (!ok) {
            error = name + ": bad value \"" + value + "\"";
            return false;
        }
    }
    if (options.certFile.empty() != options.keyFile.empty()) {
        error = "--cert and --key go together";
        return false;
    }
    return true;
}

} // namespace zep::devserver
