#pragma once

// Polls a card's busy flag. The card answers within microseconds; a card that never does (no
// card at that port, a broken one) must not freeze the tool, so the wait ends after a limit.

#include <chrono>

namespace korvane {

// Calls ready() until it answers true (then true) or the limit has passed (then false). The
// clock is read only every few hundred polls: a port read is far cheaper than a clock read.
template <typename Ready> bool waitUntil(std::chrono::milliseconds limit, Ready&& ready) {
    constexpr int kPollsPerClockRead = 256;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        for (int i = 0; i < kPollsPerClockRead; ++i) {
            if (ready()) {
                return true;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
    }
}

} // namespace korvane
