#pragma once

// "Systemauswahl": the dialog of the start in which the user picks the system type (and the
// expansion housings) when no test system answered or the hardware search was switched off.

#include "tarvik/app/system_choice.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QPushButton;

namespace tarvik {

class CSystypeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSystypeDlg(QWidget* parent = nullptr);

    // The choice after OK; no choice (and both boxes clear) when the dialog was left
    // otherwise.
    SystemChoice choice() const;

private:
    void showState();

    SystemChoiceState m_state;
    QButtonGroup* m_types;
    QCheckBox* m_expansion1;
    QCheckBox* m_expansion2;
    QPushButton* m_ok;
};

} // namespace tarvik
