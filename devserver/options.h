// The command line of zep-devserver.
#pragma once

#include "devserver/auth.h"

#include <string>
#include <vector>

namespace zep::devserver {

inline constexpr int kWebmailPortDefault = -2;
inline constexpr int kWebmailOff = -1;

struct Options
{
    std::string listen = "127.0.0.1";
    int port = 8367;
    int tlsPort = 8368;
    // The webmail log-on page: kWebmailPortDefault is 8000, or a free port when "port" or
    // "tlsPort" is 0 (so servers started side by side by tests never compete for it);
    // kWebmailOff: none.
    int webmailPort = kWebmailPortDefault;
    std::string certFile;
    std::string keyFile;
    std::string usersFile;
    std::string outboxDir;
    long long sessionTimeoutSeconds = 600;
    AuthScheme auth = AuthScheme::Digest;
    bool help = false;
    bool version = false;
};

// False with a message for a bad command line.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);
std::string Usage();

} // namespace zep::devserver
