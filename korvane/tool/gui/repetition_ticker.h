#pragma once

// The repetition timer of the desktop dialog: a kw::PeriodicTimer thread that posts each tick
// as an event to the dialog, which does the bus access on the user-interface thread.
//
// At most one tick waits in the event queue at a time: when the dialog falls behind (a slow
// bus, a message box), later ticks are dropped rather than queued up to run after the user has
// long stopped the repetition. Every start opens a new generation; a tick of an earlier one that
// is still in the queue is not accepted.

#include "common/timing/periodic_timer.h"
#include "korvane/tool/repetition_timer.h"

#include <QEvent>

#include <atomic>
#include <cstdint>

class QObject;

namespace korvane {

class RepetitionTickEvent : public QEvent {
public:
    // The send and the receive request.
    static constexpr QEvent::Type kSendType = static_cast<QEvent::Type>(QEvent::User + 0x500);
    static constexpr QEvent::Type kReceiveType = static_cast<QEvent::Type>(QEvent::User + 0x501);

    RepetitionTickEvent(TickKind kind, std::uint64_t generation, std::int64_t dueNs)
        : QEvent(kind == TickKind::Send ? kSendType : kReceiveType), m_kind(kind),
          m_generation(generation), m_dueNs(dueNs) {}

    static bool isTick(const QEvent& event) {
        return event.type() == kSendType || event.type() == kReceiveType;
    }

    TickKind kind() const { return m_kind; }
    std::uint64_t generation() const { return m_generation; }
    // When the tick was due on the timer's grid (kw::PeriodicTimer::nowNs clock).
    std::int64_t dueNs() const { return m_dueNs; }

private:
    TickKind m_kind;
    std::uint64_t m_generation;
    std::int64_t m_dueNs;
};

class RepetitionTicker : public RepetitionTimer {
public:
    // Ticks are posted to receiver, which hands each one to accept().
    explicit RepetitionTicker(QObject& receiver) : m_receiver(receiver) {}

    bool start(unsigned periodMs, TickKind kind) override;
    void stop() override;
    bool isRunning() const override { return m_timer.isRunning(); }
    unsigned minPeriodMs() const override { return kw::PeriodicTimer::kMinPeriodMs; }

    // True when the tick belongs to the running repetition and is to be handled.
    bool accept(const RepetitionTickEvent& tick);

private:
    QObject& m_receiver;
    kw::PeriodicTimer m_timer;
    std::uint64_t m_generation = 0;
    std::atomic<bool> m_pending{false};
};

} // namespace korvane
