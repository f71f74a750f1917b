#pragma once

// Helpers shared by the benchmark programs: timing of a callable (best of several rounds,
// so that a busy machine disturbs the figure less) and the one-line result format that
// bench/run collects.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace bench {

template <typename F>
double bestSeconds(int rounds, F&& work) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

inline void report(const std::string& name, double value, const std::string& unit,
                   double baseline) {
    std::printf("BENCH name=%s value=%.6g unit=%s baseline=%.6g ratio=%.4g\n", name.c_str(), value,
                unit.c_str(), baseline, baseline > 0 ? value / baseline : 0.0);
}

// Keeps the optimiser from dropping work whose result is otherwise unused.
template <typename T>
void keep(const T& value) {
    asm volatile("" : : "g"(&value) : "memory");
}

} // namespace bench
