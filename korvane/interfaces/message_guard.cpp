#include "korvane/interfaces/message_guard.h"

namespace korvane {

void MessageGuard::show(MessageFamily family, const std::string& text) {
    const std::size_t i = index(family);
    if (m_open[i]) {
        ++m_dropped[i];
        return;
    }
    // The box is open while the user looks at it; a modal box may dispatch timer requests
    // that run further bus words, whose messages must not stack up a second box.
    m_open[i] = true;
    const bool closed = m_user.showMessage(family, text);
    m_open[i] = !closed;
}

} // namespace korvane
