#pragma once

// System-wide named mutexes shared by every program that uses a bus adapter (tarvik, korvane,
// any other tool): whoever holds the adapter's mutex owns the bus for one bus word.
//
// Semantics, as programs written for the adapters expect them:
// - re-entrant: the owning thread may lock again; each lock needs its own unlock;
// - a wait with a time limit and a wait without limit;
// - when the owning process dies while holding the mutex, the next waiter receives it with
//   the outcome Abandoned (it owns the mutex then, and the mutex stays usable);
// - programs of different users share it (one may run as root, another as a normal user).
//
// Linux: a robust, recursive, process-shared pthread mutex in POSIX shared memory named
// "/kontrollwerk.<name>". The object is created on first use and never removed, so that
// a program starting later always meets the same mutex. Programs started with
// KONTROLLWERK_MUTEX_NAMESPACE=X use "/kontrollwerk.X.<name>" instead: tests that run in
// parallel (each with its own simulator) keep their adapters' mutexes apart that way.

#include <chrono>
#include <string>

namespace kw {

// Names of the adapters' mutexes.
inline constexpr const char* kInt41MutexName = "Int41SynchronizerMutex";
inline constexpr const char* kUsb860MutexName = "USB860SynchronizerMutex";

enum class WaitResult {
    Acquired,  // the calling thread owns the mutex
    Abandoned, // the calling thread owns it; the previous owner died while holding it
    Timeout,   // not acquired within the time limit
    Failed,    // not acquired: the mutex could not be created or opened, or the wait failed
};

class NamedMutex {
public:
    // Opens the system-wide mutex of that name, creating it when no program has yet. The name
    // must not contain "/". Check isValid() afterwards: every wait of an invalid mutex fails.
    explicit NamedMutex(const std::string& name);
    // Unmaps the mutex. Destroy it only while this process does not hold it: a process that
    // ends holding an unmapped mutex cannot hand it over as abandoned. shared() objects are
    // never destroyed.
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    bool isValid() const { return m_shared != nullptr; }
    const std::string& name() const { return m_name; }

    // Waits at most `timeout` (0 = only try). Acquired and Abandoned mean the caller owns it.
    WaitResult lock(std::chrono::milliseconds timeout);

    // Waits without limit. Acquired, Abandoned, or Failed for an invalid mutex.
    WaitResult lock();

    // Gives up one level of ownership; false when the calling thread does not own it.
    bool unlock();

    // The process-wide object of a name (in the namespace in force), created on first use and
    // kept until program exit, so that every part of a program shares one mapping per name.
    static NamedMutex& shared(const std::string& name);

    // Removes the shared-memory object of a name (in the namespace in force). Only for names
    // a test made up for itself: the adapters' mutexes are never removed, so that a program
    // starting later always meets the same mutex as the ones running.
    static void removeTestName(const std::string& name);

    // The layout in shared memory (opaque here).
    struct Shared;

private:
    WaitResult finishWait(int result);

    std::string m_name;
    Shared* m_shared = nullptr;
};

// Holds a mutex acquired without time limit for one scope (used for one bus word).
class NamedMutexLock {
public:
    explicit NamedMutexLock(NamedMutex& mutex) : m_mutex(mutex), m_result(mutex.lock()) {}
    ~NamedMutexLock() {
        if (owns()) {
            m_mutex.unlock();
        }
    }
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

    WaitResult result() const { return m_result; }
    bool owns() const {
        return m_result == WaitResult::Acquired || m_result == WaitResult::Abandoned;
    }

private:
    NamedMutex& m_mutex;
    WaitResult m_result;
};

} // namespace kw
