// The command line of zep-devserver.
#pragma once

#include "auth.h"

#include <string>
#include <vector>

namespace zep::devserver {

struct Options
{
    std::string listen = "127.0.0.1";
    int port = 8367;
    int tlsPort = 8368;
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
