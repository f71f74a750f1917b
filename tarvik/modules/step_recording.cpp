#include "tarvik/modules/step_recording.h"

namespace tarvik {

std::size_t StepRecordings::kept() const {
    return m_bytes.size() + m_events.size() * sizeof(StepEvent) +
           m_steps.size() * (sizeof(StepRecording) + sizeof(std::int64_t));
}

void StepRecordings::begin(std::int64_t position) {
    abandon();
    m_active = kept() < kMaxBytes && !m_steps.contains(position);
    m_currentStart = position;
    m_currentBytes = m_bytes.size();
    m_currentEvents = m_events.size();
}

void StepRecordings::abandon() {
    if (m_active) {
        m_active = false;
        m_bytes.resize(m_currentBytes);
        m_events.resize(m_currentEvents);
    }
}

// A step that would take the recordings beyond their budget is not kept. Events count with
// their size: a step of many empty lines must not keep more than it reads.
bool StepRecordings::fits(std::size_t bytes) {
    if (kept() + bytes + sizeof(StepEvent) > kMaxBytes) {
        abandon();
    }
    return m_active;
}

void StepRecordings::plain(std::string_view line) {
    if (!fits(line.size() + 2)) {
        return;
    }
    // Consecutive plain lines become one block, written with one copy.
    if (m_events.size() == m_currentEvents || m_events.back().kind != StepEvent::Kind::plain) {
        m_events.push_back({StepEvent::Kind::plain, 0, 0, m_bytes.size(), 0});
    }
    m_bytes.append(line);
    m_bytes.append("\r\n");
    m_events.back().size += static_cast<std::uint32_t>(line.size() + 2);
}

void StepRecordings::hooked(StepEvent::Kind kind, std::string_view line, std::int64_t lineEnd,
                            int dataState) {
    if (!fits(line.size())) {
        return;
    }
    m_events.push_back({kind, static_cast<std::uint8_t>(dataState),
                        static_cast<std::uint32_t>(line.size()), m_bytes.size(), lineEnd});
    m_bytes.append(line);
}

void StepRecordings::finish(std::int64_t end, int dataState) {
    if (!m_active) {
        return;
    }
    m_active = false;
    m_steps.emplace(m_currentStart, StepRecording{m_currentEvents, m_events.size(), end,
                                                  static_cast<std::uint8_t>(dataState)});
}

} // namespace tarvik
