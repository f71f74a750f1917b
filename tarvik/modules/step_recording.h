#pragma once

// StepRecordings: the steps of a module as the handler base read them once, so that reading a
// step again (for the next card, channel or supply) neither reads nor classifies its lines
// again. A recorded step is a list of events in input order:
//
//   plain    lines the base writes as they stand, back to back with their CR LF: one copy
//   number   the step-number line as the template holds it (the written number is decided
//            anew each time)
//   data     a data line given to OnDataLine, with the input position after it
//   body     a body line given to OnBodyLine, the same
//
// The hooks are called again for every data and body line, in the same order as when the
// lines are read, so a generator cannot tell a replayed step from a read one. What a line is
// depends only on its text and on where the pass stands when the step begins; a step is
// recorded only from a clean start (outside any data block, body statements not finished)
// and replayed only from the same; a recording is abandoned when a hook seeks the input in
// the middle of the step. A replay goes back to reading line by line after a hook that seeks
// or finishes the body.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvik {

struct StepEvent {
    enum class Kind : std::uint8_t { plain, number, data, body };
    Kind kind;
    std::uint8_t dataState; // the pass's data-block state at a data or body line
    std::uint32_t size;     // bytes of the event (plain: lines with CR LF; others: the line)
    std::size_t begin;      // where they begin in the recordings' bytes
    std::int64_t lineEnd;   // input position after the line (number, data, body)
};

// One recorded step: its events, a range of the recordings' event list.
struct StepRecording {
    std::size_t firstEvent = 0;
    std::size_t endEvent = 0;
    std::int64_t end = 0;      // input position after the ENDSTEP line
    std::uint8_t endState = 0; // the pass's data-block state there
};

class StepRecordings {
public:
    // All recordings of one module together hold at most this many bytes (their text and
    // events); later steps are read line by line as before.
    static constexpr std::size_t kMaxBytes = std::size_t{1} << 22;

    // The recorded step that begins at `position`; nullptr when there is none.
    const StepRecording* find(std::int64_t position) const {
        if (m_steps.empty()) {
            return nullptr;
        }
        const auto found = m_steps.find(position);
        return found == m_steps.end() ? nullptr : &found->second;
    }

    std::span<const StepEvent> events(const StepRecording& step) const {
        return std::span<const StepEvent>(m_events).subspan(step.firstEvent,
                                                            step.endEvent - step.firstEvent);
    }
    // The bytes of an event; valid until the next step is recorded.
    std::string_view text(const StepEvent& event) const {
        return std::string_view(m_bytes).substr(event.begin, event.size);
    }

    // Starts recording the step whose BEGINSTEP line begins at `position`, unless it is
    // recorded already or the budget is spent.
    void begin(std::int64_t position);
    bool recording() const { return m_active; }
    // Forgets what was recorded of the current step.
    void abandon();

    void plain(std::string_view line);
    void hooked(StepEvent::Kind kind, std::string_view line, std::int64_t lineEnd, int dataState);
    // The step ended at ENDSTEP (input position `end` after it): the recording is kept.
    void finish(std::int64_t end, int dataState);

private:
    std::size_t kept() const;
    bool fits(std::size_t bytes);

    // All steps' bytes and events, back to back: one allocation that grows, not one per step.
    std::string m_bytes;
    std::vector<StepEvent> m_events;
    std::unordered_map<std::int64_t, StepRecording> m_steps;
    std::int64_t m_currentStart = 0; // BEGINSTEP position of the step being recorded
    std::size_t m_currentBytes = 0;  // where its bytes and events begin
    std::size_t m_currentEvents = 0;
    bool m_active = false;
};

} // namespace tarvik
