// Jobs run on several threads, the taker's among them, and taken in order:
// the order holds however the jobs finish, the window and the count in
// flight bound what runs and waits, and a stop starts nothing new; and the
// rule that decides when a run goes over to several files in flight.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "in_flight.h"
#include "ordered_work.h"

namespace {

using std::chrono::microseconds;

struct Shape {
    std::size_t jobs;
    std::size_t inFlight;
    std::size_t window;
};

class OrderedWorkShapes : public ::testing::TestWithParam<Shape> {};

TEST_P(OrderedWorkShapes, ResultsComeInJobOrderWithinTheBounds)
{
    const Shape shape = GetParam();
    // Each job sleeps for its own random time, so they finish out of order.
    std::vector<int> delays(shape.jobs);
    std::mt19937 random(7);
    for (int& d : delays)
        d = static_cast<int>(random() % 300);

    std::mutex mutex;
    std::size_t running = 0, mostRunning = 0, taken = 0, furthestAhead = 0;
    std::vector<int> started(shape.jobs, 0);
    std::set<std::thread::id> runners;
    {
        OrderedWork<std::size_t> work(shape.jobs, shape.inFlight, shape.window, [&](std::size_t i) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                ++started[i];
                runners.insert(std::this_thread::get_id());
                mostRunning = std::max(mostRunning, ++running);
                furthestAhead = std::max(furthestAhead, i - taken);
            }
            std::this_thread::sleep_for(microseconds(delays[i]));
            std::lock_guard<std::mutex> lock(mutex);
            --running;
            return i * 3;
        });
        for (std::size_t i = 0; i < shape.jobs; ++i) {
            const std::size_t result = work.Take();
            ASSERT_EQ(i * 3, result) << "result " << i;
            std::lock_guard<std::mutex> lock(mutex);
            ++taken;
        }
    }
    EXPECT_EQ(std::vector<int>(shape.jobs, 1), started) << "every job runs exactly once";
    EXPECT_LE(mostRunning, std::min(shape.inFlight, shape.jobs));
    EXPECT_LE(runners.size(), std::min(shape.inFlight, shape.jobs)) << "the taker is one of them";
    // Job i may start once the results before i - window are taken (the
    // count here runs one behind, as it is raised after each Take()).
    EXPECT_LE(furthestAhead, std::max(shape.window, shape.inFlight));
    if (shape.jobs > shape.inFlight && shape.inFlight > 1) {
        EXPECT_GT(mostRunning, 1u) << "the jobs ran one at a time";
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, OrderedWorkShapes,
                         ::testing::Values(Shape{1, 1, 1}, Shape{50, 1, 1}, Shape{3, 8, 32}, Shape{200, 3, 3},
                                           Shape{300, 4, 16}, Shape{500, 16, 64}, Shape{100, 16, 4}));

// The taker runs jobs itself while the result it wants is under way: one
// in flight needs no thread at all, and with more the taker is one of them.
TEST(OrderedWork, TheTakerRunsJobsItselfRatherThanWait)
{
    const std::thread::id taker = std::this_thread::get_id();
    for (const std::size_t inFlight : {1u, 2u, 4u}) {
        std::mutex mutex;
        std::size_t byTaker = 0, byThreads = 0;
        OrderedWork<std::size_t> work(200, inFlight, 16, [&](std::size_t i) {
            std::this_thread::sleep_for(microseconds(100));
            std::lock_guard<std::mutex> lock(mutex);
            ++(std::this_thread::get_id() == taker ? byTaker : byThreads);
            return i;
        });
        EXPECT_EQ(inFlight - 1, work.Threads());
        for (std::size_t i = 0; i < 200; ++i)
            ASSERT_EQ(i, work.Take());
        EXPECT_GT(byTaker, 0u) << inFlight << " in flight";
        if (inFlight == 1) {
            EXPECT_EQ(0u, byThreads);
        } else {
            EXPECT_GT(byThreads, 0u) << inFlight << " in flight";
        }
    }
}

TEST(OrderedWork, GrowingMidWayAddsThreadsAndKeepsTheOrder)
{
    std::mutex mutex;
    std::size_t running = 0, mostRunning = 0;
    OrderedWork<std::size_t> work(400, 1, 64, [&](std::size_t i) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            mostRunning = std::max(mostRunning, ++running);
        }
        std::this_thread::sleep_for(microseconds(300));
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        return i;
    });
    for (std::size_t i = 0; i < 100; ++i)
        ASSERT_EQ(i, work.Take());
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(1u, mostRunning);
    }
    EXPECT_EQ(0u, work.Threads());
    work.Grow(6);
    work.Grow(100);  // never more in flight than the window holds results
    EXPECT_EQ(63u, work.Threads()) << "the taker is the 64th";
    for (std::size_t i = 100; i < 400; ++i)
        ASSERT_EQ(i, work.Take());
    EXPECT_GT(mostRunning, 1u);
}

TEST(OrderedWork, AfterStopNoJobStartsAndTheThreadsEnd)
{
    std::atomic<std::size_t> started{0};
    std::atomic<bool> stopped{false};
    std::atomic<std::size_t> startedAfterStop{0};
    {
        OrderedWork<int> work(10000, 4, 8, [&](std::size_t) {
            ++started;
            std::this_thread::sleep_for(microseconds(200));
            return 1;
        });
        for (int i = 0; i < 20; ++i)
            work.Take();
        work.Stop();
        // Jobs claimed before the stop may still be running; give them time
        // to end, then no job may begin.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stopped = true;
        const std::size_t atStop = started;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        startedAfterStop = started - atStop;
    }  // joins: must not wait for the 10000 jobs
    EXPECT_EQ(0u, startedAfterStop.load());
    EXPECT_GE(started.load(), 20u);
    EXPECT_LE(started.load(), 20u + 8u);
}

TEST(OrderedWork, EndingWithResultsUntakenWaitsOnlyForJobsUnderWay)
{
    std::atomic<std::size_t> started{0};
    const auto begun = std::chrono::steady_clock::now();
    {
        OrderedWork<int> work(1000, 8, 16, [&](std::size_t) {
            ++started;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return 0;
        });
        work.Take();
    }
    EXPECT_LE(started.load(), 1u + 16u);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(2));

    // No jobs at all: nothing runs, nothing hangs.
    OrderedWork<int> none(0, 4, 4, [](std::size_t) -> int { throw 0; });
}

// ---------------------------------------------------------------------------
// When a run goes over to several files in flight

TEST(StorageWaits, OnlyMostOfTheRecentReadsWaitingCounts)
{
    const auto fast = microseconds(5), slow = StorageWaits::kWaited;
    StorageWaits memory;
    // A busy machine holds up a read now and then: never four in eight.
    for (int i = 0; i < 200; ++i)
        EXPECT_FALSE(memory.Record(i % 3 == 0 ? slow : fast)) << "read " << i;

    StorageWaits disk;
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(disk.Record(slow));
    EXPECT_TRUE(disk.Record(slow));

    // Four waits within the last eight reads count; once the first of them
    // is nine reads back, no longer.
    StorageWaits spread;
    for (bool waited : {true, false, false, false, false, true, true})
        EXPECT_FALSE(spread.Record(waited ? slow : fast));
    EXPECT_TRUE(spread.Record(slow));
    EXPECT_FALSE(spread.Record(fast));
}

TEST(InFlightSetting, WholeNumbersWithinTheLimitOnly)
{
    EXPECT_FALSE(InFlightSetting(nullptr)->fromTheStart);
    EXPECT_EQ(kDefaultFilesInFlight, InFlightSetting(nullptr)->count);
    for (const char* good : {"1", "16", "256", "007"}) {
        const auto setting = InFlightSetting(good);
        ASSERT_TRUE(setting) << good;
        EXPECT_TRUE(setting->fromTheStart);
        EXPECT_EQ(static_cast<std::size_t>(std::atoi(good)), setting->count);
    }
    for (const char* bad : {"", "0", "257", "99999999999999999999", "-1", "+4", " 4", "4 ", "0x10", "four"})
        EXPECT_FALSE(InFlightSetting(bad)) << "'" << bad << "'";
}

}  // namespace
