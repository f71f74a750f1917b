#include "tarvik/modules/step_recording.h"

namespace tarvik {

void StepRecordings::begin(std::int64_t position) {
    m_active = m_bytes < kMaxBytes && !m_steps.contains(position);
    if (m_active) {
        m_current = StepRecording{};
        m_currentStart = position;
    }
}

std::uint32_t StepRecordings::append(std::string_view bytes) {
    const auto begin = static_cast<std::uint32_t>(m_current.bytes.size());
    m_current.bytes.append(bytes);
    return begin;
}

void StepRecordings::plain(std::string_view line) {
    // Consecutive plain lines become one block, written with one copy.
    if (m_current.events.empty() || m_current.events.back().kind != StepEvent::Kind::plain) {
        m_current.events.push_back(
            {StepEvent::Kind::plain, 0, static_cast<std::uint32_t>(m_current.bytes.size()), 0, 0});
    }
    append(line);
    append("\r\n");
    m_current.events.back().size += static_cast<std::uint32_t>(line.size() + 2);
}

void StepRecordings::hooked(StepEvent::Kind kind, std::string_view line, std::int64_t lineEnd,
                            int dataState) {
    const std::uint32_t begin = append(line);
    m_current.events.push_back({kind, static_cast<std::uint8_t>(dataState), begin,
                                static_cast<std::uint32_t>(line.size()), lineEnd});
}

void StepRecordings::finish(std::int64_t end, int dataState) {
    if (!m_active) {
        return;
    }
    m_active = false;
    m_current.end = end;
    m_current.endState = static_cast<std::uint8_t>(dataState);
    m_bytes += m_current.bytes.size() + m_current.events.size() * sizeof(StepEvent);
    m_steps.emplace(m_currentStart, std::move(m_current));
}

} // namespace tarvik
