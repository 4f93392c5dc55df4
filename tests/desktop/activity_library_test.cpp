#include "desktop/activity_library.h"
#include "tests/support/qt_wait.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace zep {
namespace {

std::string LibraryFolder()
{
    return QFileInfo(ZEPIMAM_PATH).absolutePath().toStdString() + "/";
}

TEST(ActivityLibrary, LoadsStartsAndCountsTheApplicationsOwnInput)
{
    ActivityLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load(LibraryFolder(), error)) << error;
    ASSERT_TRUE(library.Start());
    ActivityInputFilter filter(library);
    qApp->installEventFilter(&filter);

    QWidget window;
    window.show();
    const unsigned before = library.LastActivityTick();
    // The tick has millisecond resolution: let the clock move before the key press.
    const QDeadlineTimer later(5);
    while (!later.hasExpired())
        QThread::msleep(1);
    EXPECT_EQ(library.LastActivityTick(), before);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&window, &press);
    EXPECT_NE(library.LastActivityTick(), before);

    qApp->removeEventFilter(&filter);
    library.Release();
    EXPECT_FALSE(library.Loaded());
    EXPECT_EQ(library.LastActivityTick(), 0u) << "nothing is called once released";
}

TEST(ActivityLibrary, AFolderWithoutTheLibraryIsAClearFailure)
{
    QTemporaryDir empty;
    ActivityLibrary library;
    std::string error;
    EXPECT_FALSE(library.Load(empty.path().toStdString() + "/", error));
    EXPECT_NE(error.find("libzepimam.so"), std::string::npos) << error;
    EXPECT_FALSE(library.Loaded());
    EXPECT_FALSE(library.Start());
}

} // namespace
} // namespace zep
