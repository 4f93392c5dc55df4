// zepim-ctl: drives the running messenger through MessengerControl, for scripts and tests.

#include "tools/ctl_bus.h"
#include "tools/ctl_commands.h"

#include <QCoreApplication>
#include <iostream>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int Main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const zep::ctl::Parsed parsed = zep::ctl::Parse(args);
    switch (parsed.kind) {
    case zep::ctl::Parsed::Kind::Help:
        std::cout << zep::ctl::UsageText();
        return zep::ctl::kExitOk;
    case zep::ctl::Parsed::Kind::Version:
        std::cout << zep::ctl::VersionText();
        return zep::ctl::kExitOk;
    case zep::ctl::Parsed::Kind::Bad:
        std::cerr << "zepim-ctl: " << parsed.problem << "\n" << zep::ctl::UsageText();
        return zep::ctl::kExitUsage;
    case zep::ctl::Parsed::Kind::Call:
    case zep::ctl::Parsed::Kind::Watch:
        break;
    }
    QCoreApplication app(argc, argv);
    if (parsed.kind == zep::ctl::Parsed::Kind::Watch)
        return zep::ctl::RunWatch(std::cout, std::cerr);
    return zep::ctl::RunCall(*parsed.command, parsed.address, std::cout, std::cerr);
}

} // namespace

// The main thread ends with a clear error when memory runs out, not an abort.
int main(int argc, char** argv)
{
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        static constexpr char kMessage[] = "zepim-ctl: out of memory\n";
        [[maybe_unused]] ssize_t n = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
        return zep::ctl::kExitFailed;
    }
}
