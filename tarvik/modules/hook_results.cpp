#include "tarvik/modules/hook_results.h"

#include "tarvik/modules/module_text.h"
#include "tarvik/modules/value_slot.h"

#include <algorithm>

namespace tarvik {

void HookResults::newContext() {
    ++m_context;
    m_bytes.clear();
    m_effects.clear();
    m_holes.clear();
}

void HookResults::applyEffects(const Kept& kept) const {
    for (std::uint32_t e = kept.firstEffect; e < kept.endEffect; ++e) {
        const Effect& effect = m_effects[e];
        if (effect.slot != nullptr) {
            effect.slot->found = effect.found;
            effect.slot->value = effect.text;
        } else {
            *effect.number = effect.value;
        }
    }
}

bool HookResults::effectsHold(const Kept& kept) const {
    for (std::uint32_t e = kept.firstEffect; e < kept.endEffect; ++e) {
        const Effect& effect = m_effects[e];
        const bool holds = effect.slot != nullptr ? effect.slot->found == effect.found &&
                                                        effect.slot->value == effect.text
                                                  : *effect.number == effect.value;
        if (!holds) {
            return false;
        }
    }
    return true;
}

void HookResults::watch() {
    m_watching = true;
    m_varies = false;
    m_noted.clear();
    m_open.clear();
}

void HookResults::hole(std::string_view line, std::size_t begin, std::size_t length, int source,
                       int value) {
    if (!m_watching) {
        return;
    }
    // Numbers of one line are left open in the same state of the line, and each must be the
    // number its source gives; anything else makes the line vary.
    const bool sameLine = m_open.empty() || line == m_openLine;
    if (!sameLine || begin > line.size() || length > line.size() - begin ||
        line.substr(begin, length) != DecimalText(value).view()) {
        m_varies = true;
        return;
    }
    if (m_open.empty()) {
        m_openLine.assign(line);
    }
    m_open.push_back({begin, length, source});
}

// The open numbers lie where they were reported when the line did not change after them and
// was staged as one line (its bytes and CR LF), and they do not overlap.
bool HookResults::holesHold(std::string_view bytes, std::string_view line) const {
    if (line != m_openLine || line.find('\n') != std::string_view::npos ||
        bytes.size() != line.size() + 2 || bytes.substr(0, line.size()) != line) {
        return false;
    }
    std::size_t end = 0;
    for (const OpenNumber& open : m_open) {
        if (open.begin < end) {
            return false;
        }
        end = open.begin + open.length;
    }
    return true;
}

void HookResults::note(ValueSlot* slot, int* number) {
    m_noted.push_back({slot, number, false, 0, {}});
}

void HookResults::keep(std::size_t event, std::string_view bytes, std::string_view line) {
    m_watching = false;
    if (event >= m_kept.size()) {
        m_kept.resize(event + 1);
    }
    Kept& kept = m_kept[event];
    kept.context = m_context;
    std::sort(m_open.begin(), m_open.end(),
              [](const OpenNumber& a, const OpenNumber& b) { return a.begin < b.begin; });
    // A result that does not fit is treated as varying: its hook is called each time.
    kept.varies = m_varies || (!m_open.empty() && !holesHold(bytes, line)) ||
                  spent() + bytes.size() + m_noted.size() * sizeof(Effect) > kMaxBytes;
    if (kept.varies) {
        return;
    }
    kept.begin = static_cast<std::uint32_t>(m_bytes.size());
    kept.firstHole = static_cast<std::uint32_t>(m_holes.size());
    std::size_t from = 0;
    for (const OpenNumber& open : m_open) {
        m_bytes.append(bytes.substr(from, open.begin - from));
        m_holes.push_back({static_cast<std::uint32_t>(m_bytes.size() - kept.begin), open.source});
        from = open.begin + open.length;
    }
    m_bytes.append(bytes.substr(from));
    kept.endHole = static_cast<std::uint32_t>(m_holes.size());
    kept.size = static_cast<std::uint32_t>(m_bytes.size() - kept.begin);
    kept.firstEffect = static_cast<std::uint32_t>(m_effects.size());
    // What the hook left in each value it set is what a kept result sets it to.
    for (Effect& noted : m_noted) {
        if (noted.slot != nullptr) {
            noted.found = noted.slot->found;
            noted.text = noted.slot->value;
        } else {
            noted.value = *noted.number;
        }
        m_effects.push_back(std::move(noted));
    }
    kept.endEffect = static_cast<std::uint32_t>(m_effects.size());
}

} // namespace tarvik
