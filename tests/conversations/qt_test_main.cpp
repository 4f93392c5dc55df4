// GoogleTest entry for the rich text tests that need a QGuiApplication (offscreen).
#include <QGuiApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Also when run for test discovery, which passes no environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
