#pragma once

// A periodic timer for short repetition periods (down to 1 ms). It ticks on an absolute grid
// of CLOCK_MONOTONIC (start + n × period), so that lateness of one tick never shifts the
// following ones, and it runs in a thread of its own: the tick callback is called on that
// thread and must only hand the tick over (post an event, set a flag), never do the work.
//
//   kw::PeriodicTimer timer;
//   timer.start(10, [&](std::int64_t dueNs) { post(dueNs); });
//   ...
//   timer.stop();   // returns once no callback runs any more

#include <cstdint>
#include <functional>
#include <thread>

namespace kw {

class PeriodicTimer {
public:
    // dueNs: the grid time of the tick (CLOCK_MONOTONIC, nanoseconds; see nowNs).
    using Tick = std::function<void(std::int64_t dueNs)>;

    // The smallest period the timer offers, in milliseconds.
    static constexpr unsigned kMinPeriodMs = 1;

    PeriodicTimer() = default;
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Starts ticking every periodMs milliseconds, the first tick one period from now; a running
    // timer is stopped first. False (and not running) for a period below kMinPeriodMs or when
    // the platform refuses a timer.
    bool start(unsigned periodMs, Tick tick);

    // Stops the timer. When it returns, no callback runs and none will. Must not be called from
    // the callback.
    void stop();

    bool isRunning() const { return m_thread.joinable(); }

    // The clock of the grid.
    static std::int64_t nowNs();

private:
    void run(std::int64_t firstDueNs, std::int64_t periodNs);

    std::thread m_thread;
    Tick m_tick;
    int m_timerFd = -1;
    int m_stopFd = -1;
};

} // namespace kw
