// GoogleTest entry for the tests of the control service: a private session bus for the whole
// run (a real dbus-daemon, gone with the process), then a QApplication (offscreen).
#include "tests/fixtures/child_process.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(address));
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
