#include "korvane/tool/gui/repetition_ticker.h"

#include <QCoreApplication>

namespace korvane {

bool RepetitionTicker::start(unsigned periodMs, TickKind kind) {
    stop();
    const std::uint64_t generation = ++m_generation;
    m_pending.store(false);
    // Runs on the timer thread: it only posts.
    return m_timer.start(periodMs, [this, kind, generation](std::int64_t dueNs) {
        if (m_pending.exchange(true)) {
            return;
        }
        QCoreApplication::postEvent(&m_receiver, new RepetitionTickEvent(kind, generation, dueNs));
    });
}

void RepetitionTicker::stop() {
    m_timer.stop();
}

bool RepetitionTicker::accept(const RepetitionTickEvent& tick) {
    if (tick.generation() != m_generation) {
        return false;
    }
    m_pending.store(false);
    return m_timer.isRunning();
}

} // namespace korvane
