#pragma once

// What every interface needs from the tool around it: the guard for its error messages (and
// through it the user, for questions) and the maker of its self-test windows. Both outlive
// every interface made with them.

#include "korvane/interfaces/message_guard.h"
#include "korvane/interfaces/result_window.h"

struct InterfaceContext {
    MessageGuard& messages;
    ResultWindowFactory& windows;
};
