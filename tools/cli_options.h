#pragma once
// The command line of zepim-cli:
//   zepim-cli --server HOST [--port N]
//             [--tls [--tls-fingerprint HEX | --accept-new-certificate]] [--proxy HOST[:PORT]]
//             --email ADDRESS [--password-stdin] [--log FILE] COMMAND [ARGS]

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zep::cli {

inline constexpr std::uint16_t kDefaultPort = 8367;
inline constexpr std::uint16_t kDefaultTlsPort = 8368;
inline constexpr std::uint16_t kDefaultProxyPort = 8080;

struct CliOptions
{
    std::string server;
    std::optional<std::uint16_t> port;
    bool tls = false;
    // The one server certificate to accept for this run (64 hex digits), instead of the pins.
    std::string tlsFingerprint;
    // Pins a certificate with no pin and no system trust without asking (no terminal needed).
    bool acceptNewCertificate = false;
    bool proxy = false;
    std::string proxyHost;
    std::uint16_t proxyPort = kDefaultProxyPort;
    std::string email;
    bool passwordStdin = false;
    std::string logFile;
    std::string command;
    std::vector<std::string> args; // the command's own arguments, options included

    std::uint16_t Port() const { return port ? *port : (tls ? kDefaultTlsPort : kDefaultPort); }
};

// False with `problem` set when the line is not usable.
bool ParseOptions(const std::vector<std::string>& argv, CliOptions& options, std::string& problem);

// The usage text printed on bad arguments.
const char* UsageText();

// A port number 1..65535.
bool ParsePort(const std::string& text, std::uint16_t& port);

} // namespace zep::cli
