// GoogleTest entry for the add-in's bus tests: a private session bus for the whole run (a real
// dbus-daemon, gone with the process).
#include "tests/fixtures/child_process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>

int main(int argc, char** argv)
{
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strncmp(argv[i], "--gtest_list_tests", 18) == 0;
    std::unique_ptr<zep::test::ChildProcess> bus;
    if (!listing) {
        bus = std::make_unique<zep::test::ChildProcess>();
        std::string address;
        if (bus->Start({"dbus-daemon", "--session", "--nofork", "--print-address"}))
            address = bus->WaitForOutput("unix:");
        while (!address.empty() && (address.back() == '\n' || address.back() == '\r'))
            address.pop_back();
        if (address.empty()) {
            std::fprintf(stderr, "no session bus could be started (dbus-daemon)\n");
            return 1;
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
