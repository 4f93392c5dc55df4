#include "session/worker_slot.h"

#include <atomic>
#include <gtest/gtest.h>
#include <vector>

namespace zep {
namespace {

using namespace std::chrono_literals;

TEST(WorkerSlot, StopWaitJoinsAWorkerWaitingForItsStop)
{
    WorkerSlot slot;
    std::atomic<bool> sawStop{false};
    slot.Start([&](WorkerControl& c) { sawStop = c.WaitForStop(std::chrono::hours(1)); });
    EXPECT_TRUE(slot.Running());
    EXPECT_EQ(slot.StopWait(), 0);
    EXPECT_TRUE(sawStop);
    EXPECT_FALSE(slot.Running());
}

TEST(WorkerSlot, WakeIsRepeatedUntilABlockedWorkerEnds)
{
    // The worker ignores the stop flag and only ends on its third wake-up, as a thread that
    // enters a new blocking call after the first shutdown would.
    WorkerSlot slot;
    std::atomic<int> wakes{0};
    slot.Start([&](WorkerControl&) {
        while (wakes.load() < 3)
            std::this_thread::sleep_for(1ms);
    });
    EXPECT_EQ(slot.StopWait([&] { ++wakes; }), 0);
    EXPECT_GE(wakes.load(), 3);
}

TEST(WorkerSlot, AFinishedWorkerClearsItsSlotAndANewOneTakesItsPlace)
{
    WorkerSlot slot;
    std::atomic<int> runs{0};
    slot.Start([&](WorkerControl&) { ++runs; });
    slot.StopWait();
    EXPECT_FALSE(slot.Running());
    // Start stops the previous worker first, so two never run at once.
    std::atomic<int> concurrent{0}, maxConcurrent{0};
    for (int i = 0; i < 5; ++i) {
        slot.Start([&](WorkerControl& c) {
            maxConcurrent = std::max(maxConcurrent.load(), ++concurrent);
            c.WaitForStop(1s);
            --concurrent;
            ++runs;
        });
    }
    slot.StopWait();
    EXPECT_EQ(runs.load(), 6);
    EXPECT_EQ(maxConcurrent.load(), 1);
}

TEST(WorkerSlot, WaitForStopTimesOutWithoutAStop)
{
    WorkerSlot slot;
    std::atomic<bool> stoppedEarly{true};
    slot.Start([&](WorkerControl& c) { stoppedEarly = c.WaitForStop(5ms); });
    // The body ends by itself; StopWait only joins it.
    while (slot.Running())
        std::this_thread::yield();
    slot.StopWait();
    EXPECT_FALSE(stoppedEarly);
}

// The reconnect worker's wait: ended early by a nudge (network back) or a stop, never lost.
TEST(WorkerSlot, NudgeEndsOneWaitAndAStopWinsOverIt)
{
    using Wake = WorkerControl::Wake;
    struct Row
    {
        const char* name;
        bool nudge;
        bool stop;
        std::vector<std::chrono::milliseconds> waits;
        std::vector<Wake> expected;
    };
    const Row rows[] = {
        {"without either the wait runs out", false, false, {20ms}, {Wake::TimedOut}},
        {"a nudge ends a long wait", true, false, {std::chrono::hours(1)}, {Wake::Nudged}},
        {"one nudge ends one wait only",
         true,
         false,
         {std::chrono::hours(1), 20ms},
         {Wake::Nudged, Wake::TimedOut}},
        {"a stop wins over a nudge", true, true, {std::chrono::hours(1)}, {Wake::Stopped}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WorkerSlot slot;
        std::vector<Wake> got;
        std::atomic<bool> go{false};
        slot.Start([&](WorkerControl& c) {
            while (!go.load() && !c.StopRequested())
                std::this_thread::yield();
            for (auto wait : row.waits)
                got.push_back(c.WaitForStopOrNudge(wait));
        });
        if (row.nudge)
            slot.Nudge();
        if (row.stop) {
            slot.StopWait(); // the stop is set before the body reaches its wait
        } else {
            go = true;
            while (slot.Running())
                std::this_thread::yield();
            slot.StopWait();
        }
        EXPECT_EQ(got, row.expected);
    }
}

} // namespace
} // namespace zep
