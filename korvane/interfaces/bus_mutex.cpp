#include "korvane/interfaces/bus_mutex.h"

#include "korvane/interfaces/interface_context.h"

namespace korvane {

bool mutexGrantsAccess(MutexRule rule, kw::WaitResult result) {
    switch (result) {
    case kw::WaitResult::Acquired:
        return true;
    case kw::WaitResult::Abandoned:
        return rule == MutexRule::Usb;
    case kw::WaitResult::Timeout:
    case kw::WaitResult::Failed:
        return false;
    }
    return false;
}

BusWordLock::BusWordLock(kw::NamedMutex& mutex, MutexRule rule) : m_mutex(mutex) {
    const kw::WaitResult result = mutex.lock(kBusMutexWait);
    m_owned = result == kw::WaitResult::Acquired || result == kw::WaitResult::Abandoned;
    m_granted = mutexGrantsAccess(rule, result);
    m_abandoned = result == kw::WaitResult::Abandoned;
}

BusWordLock::~BusWordLock() {
    release();
}

void BusWordLock::release() {
    if (m_owned) {
        m_mutex.unlock();
        m_owned = false;
    }
}

BusMutexes BusMutexes::system() {
    return BusMutexes{kw::NamedMutex::shared(kw::kInt41MutexName),
                      kw::NamedMutex::shared(kw::kUsb860MutexName)};
}

} // namespace korvane
