#include "tarvik/config/testsystem_interface.h"

#include <chrono>

namespace tarvik {

std::uint32_t millisecondTickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void TestsystemInterface::waitBitsClear(int system, int card, int function, int mask,
                                        int* lastValue) {
    waitBits(
        system, card, function, [mask](int value) { return (value & mask) == 0; }, lastValue);
}

void TestsystemInterface::waitBitsSet(int system, int card, int function, int mask,
                                      int* lastValue) {
    waitBits(
        system, card, function, [mask](int value) { return (value & mask) == mask; }, lastValue);
}

void TestsystemInterface::waitBits(int system, int card, int function,
                                   const std::function<bool(int)>& done, int* lastValue) {
    const auto tick = m_tickCount ? m_tickCount : millisecondTickCount;
    const std::uint32_t t = m_timeoutMs == 0 ? 0 : m_timeoutMs < 100 ? 100 : m_timeoutMs;
    const std::uint32_t start = tick();
    const std::uint32_t deadline = start + t; // may wrap past the counter's end
    int value = 0;
    for (;;) {
        const std::uint32_t now = tick();
        busRead(system, card, function, value);
        if (done(value) || t == 0) {
            break;
        }
        // While the deadline has wrapped and the counter has not, the time is not up yet.
        // (now == start counts as not yet wrapped: the first reads happen at start.)
        const bool counterStillBeforeWrap = deadline < start && now >= start;
        if (deadline < now && !counterStillBeforeWrap) {
            break;
        }
    }
    if (lastValue) {
        *lastValue = value;
    }
}

} // namespace tarvik
