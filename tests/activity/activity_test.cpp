#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
// Xlib's macros (None, Bool) clash with GoogleTest's names, so it comes last.
#include <X11/Xlib.h>

namespace {

struct Monitor
{
    void* lib = nullptr;
    int (*start)() = nullptr;
    int (*stop)() = nullptr;
    unsigned (*tick)() = nullptr;
    void (*notify)() = nullptr;
    const char* (*source)() = nullptr;

    Monitor()
    {
        lib = dlopen(ZEPIMAM_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return;
        start = reinterpret_cast<int (*)()>(dlsym(lib, "StartActivityMonitor"));
        stop = reinterpret_cast<int (*)()>(dlsym(lib, "StopActivityMonitor"));
        tick = reinterpret_cast<unsigned (*)()>(dlsym(lib, "GetLastActivityTickCount"));
        notify = reinterpret_cast<void (*)()>(dlsym(lib, "ZepActivityNotifyInput"));
        source = reinterpret_cast<const char* (*)()>(dlsym(lib, "ZepActivitySource"));
    }
    ~Monitor()
    {
        if (lib)
            dlclose(lib);
    }
};

// Waits (without a fixed sleep) until the monotonic clock has moved on by `ms`.
void LetClockPass(std::chrono::milliseconds ms)
{
    const auto until = std::chrono::steady_clock::now() + ms;
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_until(until);
}

template <typename Pred> bool WaitFor(Pred pred, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pred();
}

TEST(ActivityMonitor, ExportsTheThreeEntryPointsWithCLinkage)
{
    Monitor m;
    ASSERT_NE(m.lib, nullptr) << dlerror();
    EXPECT_NE(m.start, nullptr);
    EXPECT_NE(m.stop, nullptr);
    EXPECT_NE(m.tick, nullptr);
    EXPECT_NE(m.notify, nullptr);
    // Nothing of the implementation leaks out.
    EXPECT_EQ(dlsym(m.lib, "_ZN3zep8activity17OpenX11IdleSourceEv"), nullptr);
}

TEST(ActivityMonitor, WithoutDesktopTheApplicationsInputIsTheSource)
{
    Monitor m;
    ASSERT_NE(m.lib, nullptr);
    ASSERT_NE(m.start(), 0);
    EXPECT_STREQ(m.source(), "input");

    const unsigned first = m.tick();
    LetClockPass(std::chrono::milliseconds(5));
    EXPECT_EQ(m.tick(), first) << "no input, no change";

    m.notify();
    const unsigned after = m.tick();
    EXPECT_NE(after, first);
    EXPECT_GE(after - first, 5u);
    EXPECT_EQ(m.tick(), after);
    m.stop();
}

TEST(ActivityMonitor, CallableFromManyThreadsAtOnce)
{
    Monitor m;
    ASSERT_NE(m.lib, nullptr);
    ASSERT_NE(m.start(), 0);
    std::vector<std::thread> threads;
    std::atomic<int> wentBack{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            unsigned prev = m.tick();
            for (int i = 0; i < 20000; ++i) {
                if (t % 2 == 0 && i % 100 == 0)
                    m.notify();
                const unsigned now = m.tick();
                if (static_cast<int>(now - prev) < 0)
                    ++wentBack;
                prev = now;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wentBack.load(), 0) << "the tick never moves backwards";
    m.stop();
}

// Starts a private Xvfb and returns its display name; the server is killed with the fixture.
class X11Idle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (access("/usr/bin/Xvfb", X_OK) != 0)
            GTEST_SKIP() << "Xvfb not installed";
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        m_server = fork();
        ASSERT_GE(m_server, 0);
        if (m_server == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen",
                  "0", "320x240x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not report a display";
        m_display = ":" + number;
        setenv("DISPLAY", m_display.c_str(), 1);
    }
    void TearDown() override
    {
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            waitpid(m_server, nullptr, 0);
        }
    }

    pid_t m_server = -1;
    std::string m_display;
};

TEST_F(X11Idle, InputOnTheDisplayMovesTheTick)
{
    Monitor m;
    ASSERT_NE(m.lib, nullptr);
    ASSERT_NE(m.start(), 0);
    EXPECT_STREQ(m.source(), "x11");

    Display* dpy = XOpenDisplay(m_display.c_str());
    ASSERT_NE(dpy, nullptr);
    const unsigned before = m.tick();
    LetClockPass(std::chrono::milliseconds(400));
    EXPECT_EQ(m.tick(), before) << "an idle display leaves the tick alone";

    // Resetting the screen saver counts as user activity for the idle counter.
    XForceScreenSaver(dpy, ScreenSaverReset);
    XSync(dpy, False);
    EXPECT_TRUE(WaitFor([&] { return m.tick() != before; }, std::chrono::seconds(5)));
    EXPECT_GE(m.tick() - before, 300u);
    XCloseDisplay(dpy);
    m.stop();
}

} // namespace
