#pragma once

// The generator's own access to the test system's bus: one bus word at a time over an
// adapter. Transfer errors are never reported to the user; a failed read gives 0. A transfer
// that fails is tried once more (after the adapter's answer queue is drained); what still
// fails is counted, so that reading the configuration can refuse to turn it into a card.
//
// Every bus word is exchanged while holding the adapter's system-wide mutex, waiting without
// limit, so that the bus test tool (and any other program) can share the adapter.

#include <cstdint>
#include <functional>

namespace tarvik {

class TestsystemInterface {
public:
    // The generator never sets the polling timeout; 1000 ms covers the slowest wait it makes
    // (a supply measurement) many times over and still ends the start quickly when a card
    // does not answer.
    static constexpr int kDefaultTimeoutMs = 1000;

    virtual ~TestsystemInterface() = default;

    // True if a second system answers (only the USB adapter can tell).
    virtual bool isSecondSystem() = 0;

    // False when the transfer failed (nothing is reported to the user).
    virtual bool busWrite(int system, int card, int function, int data) = 0;
    // data = the 16-bit value read, 0 when the transfer failed.
    virtual bool busRead(int system, int card, int function, int& data) = 0;

    // Bus words that failed even when tried again, since the interface was opened.
    int failedTransfers() const { return m_failedTransfers; }

    virtual void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int timeout() const { return m_timeoutMs; }

    // Reads the address until (value AND mask) = 0, or until the timeout. A timeout below 100
    // other than 0 counts as 100; 0 stops after the first read. The last value read is handed
    // back. There is no failure result: a timeout simply ends the wait.
    virtual void waitBitsClear(int system, int card, int function, int mask, int* lastValue);
    // The same until (value AND mask) = mask.
    virtual void waitBitsSet(int system, int card, int function, int mask, int* lastValue);

    // The millisecond tick count the waits use: a 32-bit counter that wraps around after
    // about 49.7 days. Replaceable for tests of the wrap-around.
    void setTickCount(std::function<std::uint32_t()> tickCount) {
        m_tickCount = std::move(tickCount);
    }

protected:
    // Runs one bus word and, when it fails, once more; counts it when it fails again.
    bool withOneRetry(const std::function<bool()>& transfer) {
        if (transfer() || transfer()) {
            return true;
        }
        ++m_failedTransfers;
        return false;
    }

private:
    void waitBits(int system, int card, int function, const std::function<bool(int)>& done,
                  int* lastValue);

    int m_timeoutMs = kDefaultTimeoutMs;
    int m_failedTransfers = 0;
    std::function<std::uint32_t()> m_tickCount;
};

// The platform's millisecond tick count (monotonic, 32 bits, wrapping).
std::uint32_t millisecondTickCount();

} // namespace tarvik
