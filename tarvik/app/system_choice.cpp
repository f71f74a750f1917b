#include "tarvik/app/system_choice.h"

#include "tarvik/config/system_info.h"

namespace tarvik {

void applySystemChoice(CSystemInfo& system, const SystemChoice& choice) {
    const int type = choice.choice == SystemKind::Ukprq ? 945 : 860;
    system.setManual(type, choice.expansion1, choice.expansion1 && choice.expansion2,
                     choice.choice == SystemKind::Prq990);
}

void SystemChoiceState::choose(int kind) {
    m_choice.choice = kind;
    m_firstBoxEnabled = kind != SystemKind::Ukprq;
    m_secondBoxEnabled = m_firstBoxEnabled && m_choice.expansion1;
}

void SystemChoiceState::setFirstBox(bool checked) {
    m_choice.expansion1 = checked;
    m_secondBoxEnabled = checked;
}

} // namespace tarvik
