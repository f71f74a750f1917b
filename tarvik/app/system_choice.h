#pragma once

namespace tarvik {

// The choice of the "Systemauswahl" dialog without widgets: the three system types with
// their two expansion check boxes, the rules that enable the boxes and the OK button, and
// the default configuration the choice stands for.

class CSystemInfo;

namespace SystemKind {
constexpr int None = -1;
constexpr int Prq990 = 0;  // 860 with the new decoder
constexpr int Kprq860 = 1; // 860 without it
constexpr int Ukprq = 2;   // 945
} // namespace SystemKind

struct SystemChoice {
    int choice = SystemKind::None;
    bool expansion1 = false; // "mit Erweiterungsgehäuse"
    bool expansion2 = false; // "mit 2. Erweiterungsgehäuse"
};

// Fills the configuration with the default of a choice (setManual); without a choice: an
// 860 system without the new decoder. The second box counts only together with the first;
// a 945 system has no expansion housings whatever the boxes say.
void applySystemChoice(CSystemInfo& system, const SystemChoice& choice);

// What the dialog enables while the user chooses. A disabled box keeps its checked state.
class SystemChoiceState {
public:
    void choose(int kind);
    void setFirstBox(bool checked);
    void setSecondBox(bool checked) { m_choice.expansion2 = checked; }

    const SystemChoice& choice() const { return m_choice; }
    bool firstBoxEnabled() const { return m_firstBoxEnabled; }
    bool secondBoxEnabled() const { return m_secondBoxEnabled; }
    bool okEnabled() const { return m_choice.choice != SystemKind::None; }

private:
    SystemChoice m_choice;
    bool m_firstBoxEnabled = false;
    bool m_secondBoxEnabled = false;
};

} // namespace tarvik
