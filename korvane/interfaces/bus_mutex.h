#pragma once

// The adapters' system-wide mutexes as korvane holds them: for one bus word, waiting at most
// 1000 ms. INT41: every outcome but a plain acquisition refuses the access, an abandoned mutex
// included. USB: only a time-out (or a mutex that could not be made) refuses it; an abandoned
// mutex is taken over.

#include "common/sync/named_mutex.h"

#include <chrono>

namespace korvane {

enum class MutexRule { Int41, Usb };

inline constexpr std::chrono::milliseconds kBusMutexWait{1000};

// Whether a wait outcome lets the bus word go ahead.
bool mutexGrantsAccess(MutexRule rule, kw::WaitResult result);

class BusWordLock {
public:
    BusWordLock(kw::NamedMutex& mutex, MutexRule rule);
    // Gives the mutex back whenever the wait made this thread its owner, also when the rule
    // refused the access: otherwise an INT41 mutex taken over from a dead owner would stay
    // held by this program and block every other program for good.
    ~BusWordLock();
    BusWordLock(const BusWordLock&) = delete;
    BusWordLock& operator=(const BusWordLock&) = delete;

    bool granted() const { return m_granted; }
    // The wait took the mutex over from an owner that died holding it.
    bool abandoned() const { return m_abandoned; }
    // Gives the mutex back early (before a message box, so no other program waits on it).
    void release();

private:
    kw::NamedMutex& m_mutex;
    bool m_owned;
    bool m_granted;
    bool m_abandoned;
};

} // namespace korvane
