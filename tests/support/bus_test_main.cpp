// GoogleTest entry for tests on the session bus: a private bus for the whole run (a real
// dbus-daemon, gone with the process), then a QApplication (offscreen).
#include "child_process.h"

#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

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
        if (!zep::test::StartSessionBus(*bus))
            return 1;
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
