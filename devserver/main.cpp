// zep-devserver: a development messaging server with demo users, in memory.
#include "devserver/devserver.h"
#include "protocol/product.h"

#include <csignal>
#include <cstdio>
#include <iostream>

namespace {

zep::devserver::DevServer* g_server = nullptr;

extern "C" void OnSignal(int)
{
    if (g_server != nullptr)
        g_server->Stop();
}

} // namespace

int main(int argc, char** argv)
{
    using namespace zep::devserver;
    Options options;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "zep-devserver: " << error << "\n" << Usage();
        return 2;
    }
    if (options.help) {
        std::cout << Usage();
        return 0;
    }
    if (options.version) {
        std::cout << "zep-devserver " << zep::kProductVersion << "\n";
        return 0;
    }
    std::unique_ptr<DevServer> server = DevServer::Create(options, error);
    if (!server) {
        std::cerr << "zep-devserver: " << error << "\n";
        return 1;
    }
    g_server = server.get();
    struct sigaction action
    {
    };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::cout << server->ListeningLine() << std::endl; // flushed: callers wait for this line
    server->Run();
    g_server = nullptr;
    std::cout << "zep-devserver: stopped" << std::endl;
    return 0;
}
