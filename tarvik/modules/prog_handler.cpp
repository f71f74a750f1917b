#include "tarvik/modules/prog_handler.h"

#include <atomic>

namespace tarvik {

namespace {

// The one registration of the process; handlers run on the run's thread, the atomic only
// keeps a reader on another thread from seeing a torn pointer.
std::atomic<CProgHandler*> g_progHandler{nullptr};

} // namespace

void registerProgHandler(CProgHandler* handler) {
    g_progHandler.store(handler);
}

CProgHandler* registeredProgHandler() {
    return g_progHandler.load();
}

ScopedProgHandler::ScopedProgHandler(CProgHandler* handler)
    : m_previous(g_progHandler.exchange(handler)) {}

ScopedProgHandler::~ScopedProgHandler() {
    g_progHandler.store(m_previous);
}

} // namespace tarvik
