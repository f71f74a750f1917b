#include "common/timing/periodic_timer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace kw {

namespace {

constexpr std::int64_t kNsPerSecond = 1000000000;
constexpr std::int64_t kNsPerMs = 1000000;

timespec toTimespec(std::int64_t ns) {
    timespec result{};
    result.tv_sec = static_cast<time_t>(ns / kNsPerSecond);
    result.tv_nsec = static_cast<long>(ns % kNsPerSecond);
    return result;
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

PeriodicTimer::~PeriodicTimer() {
    stop();
}

std::int64_t PeriodicTimer::nowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

bool PeriodicTimer::start(unsigned periodMs, Tick tick) {
    stop();
    if (periodMs < kMinPeriodMs || !tick) {
        return false;
    }
    m_timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const std::int64_t periodNs = static_cast<std::int64_t>(periodMs) * kNsPerMs;
    const std::int64_t firstDueNs = nowNs() + periodNs;
    itimerspec schedule{};
    schedule.it_value = toTimespec(firstDueNs);
    schedule.it_interval = toTimespec(periodNs);
    if (m_timerFd < 0 || m_stopFd < 0 ||
        ::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &schedule, nullptr) != 0) {
        closeFd(m_timerFd);
        closeFd(m_stopFd);
        return false;
    }
    m_tick = std::move(tick);
    m_thread = std::thread([this, firstDueNs, periodNs] { run(firstDueNs, periodNs); });
    return true;
}

void PeriodicTimer::stop() {
    if (!m_thread.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    // The write cannot fail short of a full counter, which one write per stop never reaches.
    [[maybe_unused]] const ssize_t written = ::write(m_stopFd, &one, sizeof one);
    m_thread.join();
    closeFd(m_timerFd);
    closeFd(m_stopFd);
    m_tick = nullptr;
}

void PeriodicTimer::run(std::int64_t firstDueNs, std::int64_t periodNs) {
    pollfd fds[2] = {{m_timerFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    std::uint64_t ticksSoFar = 0;
    while (true) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        std::uint64_t expirations = 0;
        if (::read(m_timerFd, &expirations, sizeof expirations) != sizeof expirations ||
            expirations == 0) {
            continue;
        }
        // Ticks that passed while the previous callback still ran or the thread was not
        // scheduled: the callback runs once, for the latest of them.
        ticksSoFar += expirations;
        m_tick(firstDueNs + static_cast<std::int64_t>(ticksSoFar - 1) * periodNs);
    }
}

} // namespace kw
