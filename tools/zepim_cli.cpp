// zepim-cli: a headless client for scripts, diagnostics and end-to-end tests.

#include "tools/cli_options.h"
#include "tools/cli_run.h"
#include "transport/load_dll.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_stopPipe[1], &byte, 1);
}

using TickFunction = unsigned int (*)();

// The desktop's own idle time, when the activity monitor can read one (X11 or the session
// bus). Its last fall-back counts input to this program, which a headless run never has, so
// the process's monotonic clock stands in then: a running script counts as active.
TickFunction DesktopActivity()
{
    void* handle = nullptr;
    if (!zep::LoadDLL(&handle, "libzepimam.so", zep::PrivateLibraryDirectory("libzepimam.so"), ""))
        return nullptr;
    auto start = reinterpret_cast<int (*)()>(dlsym(handle, "StartActivityMonitor"));
    auto tick = reinterpret_cast<TickFunction>(dlsym(handle, "GetLastActivityTickCount"));
    auto source = reinterpret_cast<const char* (*)()>(dlsym(handle, "ZepActivitySource"));
    if (!start || !tick || !source || start() == 0)
        return nullptr;
    const char* name = source();
    if (!name || (std::strcmp(name, "x11") != 0 && std::strcmp(name, "dbus") != 0))
        return nullptr;
    return tick;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    zep::cli::CliEnvironment env;
    env.in = &std::cin;
    env.out = &std::cout;
    env.err = &std::cerr;
    env.getenv = [](const char* name) -> const char* { return std::getenv(name); };

    // Only watch ends in order on SIGINT/SIGTERM; every other command keeps the default, so an
    // interrupt still ends it at once.
    zep::cli::CliOptions options;
    std::string problem;
    bool watch = zep::cli::ParseOptions(args, options, problem) && options.command == "watch";
    if (watch && pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        env.stopFd = g_stopPipe[0];
        struct sigaction action
        {
        };
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    signal(SIGPIPE, SIG_IGN);

    // Looked up at the first keep-alive of watch, so other commands never load the monitor.
    env.activity = [] {
        static const TickFunction tick = DesktopActivity();
        return tick ? static_cast<std::uint32_t>(tick()) : zep::cli::MonotonicMilliseconds();
    };
    return zep::cli::RunCli(args, env);
}
