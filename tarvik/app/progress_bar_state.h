#pragma once

// Range and position of a progress bar for a report of done steps out of total ones. A
// report with no steps (total 0 or less) gives an empty bar rather than a busy indicator;
// counts beyond the total, which a template with a wrong step count can produce, fill the
// bar instead of being ignored.

#include <algorithm>

namespace tarvik {

struct ProgressBarState {
    int maximum = 1;
    int value = 0;
};

inline ProgressBarState progressBarState(int done, int total) {
    if (total <= 0) {
        return {1, 0};
    }
    return {total, std::clamp(done, 0, total)};
}

} // namespace tarvik
