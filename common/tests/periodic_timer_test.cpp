#include "common/timing/periodic_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Collects the due times the timer reports and lets the test wait for a number of them.
struct TickLog {
    void add(std::int64_t due) {
        std::lock_guard lock(mutex);
        dues.push_back(due);
        changed.notify_all();
    }
    bool waitFor(std::size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10),
                                [&] { return dues.size() >= count; });
    }
    std::vector<std::int64_t> snapshot() {
        std::lock_guard lock(mutex);
        return dues;
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::int64_t> dues;
};

TEST(PeriodicTimer, TicksOnAnAbsoluteGridOfThePeriod) {
    TickLog log;
    kw::PeriodicTimer timer;
    const std::int64_t before = kw::PeriodicTimer::nowNs();
    ASSERT_TRUE(timer.start(2, [&](std::int64_t due) { log.add(due); }));
    EXPECT_TRUE(timer.isRunning());
    ASSERT_TRUE(log.waitFor(5));
    timer.stop();
    const auto dues = log.snapshot();
    // The first tick is one period after the start, and every later one a whole number of
    // periods after it, however late the thread woke up.
    EXPECT_GE(dues[0], before + 2000000);
    for (std::size_t i = 1; i < dues.size(); ++i) {
        EXPECT_GT(dues[i], dues[i - 1]);
        EXPECT_EQ((dues[i] - dues[0]) % 2000000, 0) << i;
    }
}

TEST(PeriodicTimer, NoCallbackAfterStopAndRestartable) {
    TickLog log;
    std::atomic<bool> stopped{false};
    std::atomic<int> lateCalls{0};
    kw::PeriodicTimer timer;
    ASSERT_TRUE(timer.start(1, [&](std::int64_t due) {
        if (stopped) {
            ++lateCalls;
        }
        log.add(due);
    }));
    ASSERT_TRUE(log.waitFor(2));
    timer.stop();
    stopped = true;
    EXPECT_FALSE(timer.isRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(lateCalls, 0);

    // A second start on the same object works, and starting a running timer replaces it.
    stopped = false;
    const std::size_t before = log.snapshot().size();
    ASSERT_TRUE(timer.start(1, [&](std::int64_t due) { log.add(due); }));
    ASSERT_TRUE(timer.start(1, [&](std::int64_t due) { log.add(due); }));
    EXPECT_TRUE(log.waitFor(before + 2));
}

TEST(PeriodicTimer, RefusesAPeriodBelowTheSmallest) {
    kw::PeriodicTimer timer;
    EXPECT_FALSE(timer.start(0, [](std::int64_t) {}));
    EXPECT_FALSE(timer.isRunning());
    EXPECT_FALSE(timer.start(5, nullptr));
    timer.stop(); // stopping a timer that does not run is harmless
}

} // namespace
