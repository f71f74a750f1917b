#include "tarvik/modules/conditional_steps.h"

#include "tarvik/modules/module_text.h"

namespace tarvik {

void ConditionalSteps::add(std::string_view marker, bool dropWhenPresent) {
    m_markers.push_back({std::string(marker), dropWhenPresent});
}

void ConditionalSteps::takeMarkers(std::string& line) {
    for (const auto& marker : m_markers) {
        if (removeAll(line, marker.text) > 0 && marker.drop) {
            m_dropNext = true;
        }
    }
}

bool ConditionalSteps::endStep() {
    const bool drop = m_dropNext;
    m_dropNext = false;
    return drop;
}

} // namespace tarvik
