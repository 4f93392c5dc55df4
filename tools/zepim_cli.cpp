// zepim-cli: a headless client for scripts, diagnostics and end-to-end tests.

#include "tools/cli_options.h"
#include "tools/cli_run.h"
#include "transport/load_dll.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <optional>
#include <string>

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

// Asks on the controlling terminal, or on standard input when that is a terminal and there is
// no controlling one (the answer is read where the question is shown). Nothing without either.
std::optional<std::string> AskTerminal(const std::string& question)
{
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    const bool own = fd >= 0;
    if (!own) {
        if (!isatty(STDIN_FILENO))
            return std::nullopt;
        fd = STDIN_FILENO;
    }
    const int shown = own ? fd : STDERR_FILENO;
    for (std::size_t done = 0; done < question.size();) {
        ssize_t n = write(shown, question.data() + done, question.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    // One line, of which a short word is all that matters.
    std::string answer;
    char c = 0;
    bool any = false;
    while (true) {
        ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        any = true;
        if (answer.size() < 64)
            answer += c;
    }
    if (own)
        close(fd);
    // End of input without a line is no answer at all: the question was not seen.
    if (!any && c != '\n')
        return std::nullopt;
    return answer;
}

} // namespace

static int Main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    zep::cli::CliEnvironment env;
    env.in = &std::cin;
    env.out = &std::cout;
    env.err = &std::cerr;
    env.getenv = [](const char* name) -> const char* { return std::getenv(name); };
    env.askTerminal = AskTerminal;

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

// The one thread of zepim-cli ends with a clear error when memory runs out, not an abort.
int main(int argc, char** argv)
{
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        static constexpr char kMessage[] = "zepim-cli: out of memory\n";
        [[maybe_unused]] ssize_t n = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
        return zep::cli::kExitFailed;
    }
}
