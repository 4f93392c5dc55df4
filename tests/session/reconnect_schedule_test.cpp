// The back-off of the background reconnect: the delays it gives, try after try.
#include "session/reconnect_schedule.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace zep {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

struct ScheduleRow
{
    const char* name;
    ReconnectPolicy policy;
    double uniform;             // what the random source gives every time
    std::vector<long> expected; // delays in ms; -1 marks a Reset() at that point
};

const ScheduleRow kRows[] = {
    {"delays double from the first up to the cap",
     {3s, 120s, 0.0},
     0.5,
     {3000, 6000, 12000, 24000, 48000, 96000, 120000, 120000}},
    {"a cap that is a power of two of the first is reached exactly",
     {1s, 4s, 0.0},
     0.9,
     {1000, 2000, 4000, 4000}},
    {"lowest jitter shortens every delay by the fraction",
     {3s, 120s, 0.2},
     0.0,
     {2400, 4800, 9600, 19200, 38400, 76800, 96000}},
    {"highest jitter lengthens but never goes past the cap",
     {3s, 120s, 0.2},
     0.99999,
     {3599, 7199, 14399, 28799, 57599, 115199, 120000}},
    {"a random source out of range is held to it", {2s, 120s, 0.5}, 7.0, {3000, 6000}},
    {"reset when the network comes back starts from the first delay again",
     {3s, 120s, 0.0},
     0.3,
     {3000, 6000, 12000, -1, 3000, 6000}},
    {"a fixed beat never changes", ReconnectPolicy::Fixed(100ms), 0.8, {100, 100, 100}},
    {"a zero first delay stays zero and does not spin", {0ms, 120s, 0.2}, 0.5, {0, 0, 0}},
    {"a cap below the first delay is raised to it", {10s, 1s, 0.0}, 0.5, {10000, 10000}},
};

TEST(ReconnectSchedule, DelaysFollowThePolicy)
{
    for (const ScheduleRow& row : kRows) {
        SCOPED_TRACE(row.name);
        ReconnectSchedule schedule(row.policy, [u = row.uniform] { return u; });
        std::vector<long> got;
        for (long want : row.expected) {
            if (want < 0) {
                schedule.Reset();
                got.push_back(-1);
                continue;
            }
            got.push_back(static_cast<long>(schedule.Next().count()));
        }
        EXPECT_EQ(got, row.expected);
    }
}

// The seeded source: every delay stays within its jitter bounds, and the delays do vary.
TEST(ReconnectSchedule, SeededJitterStaysWithinItsBoundsAndVaries)
{
    const ReconnectPolicy policy{3s, 120s, 0.2};
    std::set<long> firsts;
    for (int run = 0; run < 200; ++run) {
        ReconnectSchedule schedule(policy);
        long base = 3000;
        for (int tries = 0; tries < 9; ++tries) {
            const long delay = static_cast<long>(schedule.Next().count());
            if (tries == 0)
                firsts.insert(delay);
            EXPECT_GE(delay, base * 8 / 10) << "try " << tries;
            EXPECT_LE(delay, std::min(base * 12 / 10, 120000L)) << "try " << tries;
            base = std::min(base * 2, 120000L);
        }
    }
    EXPECT_GT(firsts.size(), 20u) << "jitter draws differ from one client to the next";
}

// A logon restarts the back-off only once its connection has stayed up for the stable time: a
// server that accepts the logon and drops the line is tried ever more rarely.
TEST(ReconnectSchedule, LossRestartsTheBackOffOnlyAfterAStableConnection)
{
    struct Row
    {
        const char* name;
        milliseconds up; // from logon to loss; negative: lost without a logon
        long expected;   // the delay before the try after the loss
    };
    const Row rows[] = {
        {"lost a second after logon: the wait keeps growing", 1s, 24000},
        {"lost just short of the stable time", kStableConnection - 1ms, 24000},
        {"up for the stable time: from the first delay again", kStableConnection, 3000},
        {"up for hours", 5h, 3000},
        {"lost without a logon", -1ms, 24000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ReconnectSchedule schedule({3s, 120s, 0.0}, [] { return 0.5; });
        for (int i = 0; i < 3; ++i)
            schedule.Next();
        const auto logon = ReconnectSchedule::Clock::now();
        if (row.up >= 0ms)
            schedule.LoggedOn(logon);
        schedule.Lost(logon + (row.up >= 0ms ? row.up : 1h));
        EXPECT_EQ(schedule.Next().count(), row.expected);
    }
}

} // namespace
} // namespace zep
