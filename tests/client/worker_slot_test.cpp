#include "worker_slot.h"

#include <atomic>
#include <gtest/gtest.h>

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

} // namespace
} // namespace zep
