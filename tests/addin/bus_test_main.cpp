// GoogleTest entry for the add-in's bus tests: a private session bus for the whole run (a real
// dbus-daemon, gone with the process).
#include "tests/support/child_process.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>

int main(int argc, char** argv)
{
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strncmp(argv[i], "--gtest_list_tests", 18) == 0;
    std::unique_ptr<zep::test::ChildProcess> bus;
    if (!listing) {
        bus = std::make_unique<zep::test::ChildProcess>();
        if (!zep::test::StartSessionBus(*bus))
            return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
