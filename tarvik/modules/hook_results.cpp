#include "tarvik/modules/hook_results.h"

#include "tarvik/modules/value_slot.h"

namespace tarvik {

void HookResults::newContext() {
    ++m_context;
    m_bytes.clear();
    m_effects.clear();
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
}

void HookResults::note(ValueSlot* slot, int* number) {
    m_noted.push_back({slot, number, false, 0, {}});
}

void HookResults::keep(std::size_t event, std::string_view bytes) {
    m_watching = false;
    if (event >= m_kept.size()) {
        m_kept.resize(event + 1);
    }
    Kept& kept = m_kept[event];
    kept.context = m_context;
    // A result that does not fit is treated as varying: its hook is called each time.
    kept.varies = m_varies || spent() + bytes.size() + m_noted.size() * sizeof(Effect) > kMaxBytes;
    if (kept.varies) {
        return;
    }
    kept.begin = static_cast<std::uint32_t>(m_bytes.size());
    kept.size = static_cast<std::uint32_t>(bytes.size());
    m_bytes.append(bytes);
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
