#pragma once

// What every interface needs from the tool around it: the guard for its error messages (and
// through it the user, for questions), the maker of its self-test windows, and the adapters'
// system-wide mutexes (tests give private ones, so that they never block other programs).
// All of them outlive every interface made with them.

#include "korvane/interfaces/message_guard.h"
#include "korvane/interfaces/result_window.h"

namespace kw {
class NamedMutex;
}

namespace korvane {

struct BusMutexes {
    kw::NamedMutex& int41; // "Int41SynchronizerMutex"
    kw::NamedMutex& usb;   // "USB860SynchronizerMutex"

    // The mutexes every program on this machine shares.
    static BusMutexes system();
};

struct InterfaceContext {
    InterfaceContext(MessageGuard& messageGuard, ResultWindowFactory& windowFactory,
                     BusMutexes busMutexes = BusMutexes::system())
        : messages(messageGuard), windows(windowFactory), mutexes(busMutexes) {}

    MessageGuard& messages;
    ResultWindowFactory& windows;
    BusMutexes mutexes;
};

} // namespace korvane
