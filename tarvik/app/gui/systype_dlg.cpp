#include "tarvik/app/gui/systype_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvik {

CSystypeDlg::CSystypeDlg(QWidget* parent)
    : QDialog(parent), m_types(new QButtonGroup(this)),
      m_expansion1(new QCheckBox("mit Erweiterungsgehäuse", this)),
      m_expansion2(new QCheckBox("mit 2. Erweiterungsgehäuse", this)) {
    setObjectName("systypeDialog");
    setWindowTitle("Systemauswahl");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Für welchen Systemtyp soll der Selbsttest generiert werden?"));
    const char* const names[] = {"PRQ990", "KPRQ860", "UKPRQ"};
    for (int kind = SystemKind::Prq990; kind <= SystemKind::Ukprq; ++kind) {
        auto* button = new QRadioButton(names[kind], this);
        m_types->addButton(button, kind);
        layout->addWidget(button);
    }
    layout->addSpacing(fontMetrics().height() / 2);
    m_expansion1->setObjectName("expansion1");
    m_expansion2->setObjectName("expansion2");
    layout->addWidget(m_expansion1);
    layout->addWidget(m_expansion2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText("OK");
    layout->addWidget(buttons);

    connect(m_types, &QButtonGroup::idClicked, this, [this](int kind) {
        m_state.choose(kind);
        showState();
    });
    connect(m_expansion1, &QCheckBox::toggled, this, [this](bool checked) {
        m_state.setFirstBox(checked);
        showState();
    });
    connect(m_expansion2, &QCheckBox::toggled, this,
            [this](bool checked) { m_state.setSecondBox(checked); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    showState();
}

void CSystypeDlg::showState() {
    m_expansion1->setEnabled(m_state.firstBoxEnabled());
    m_expansion2->setEnabled(m_state.secondBoxEnabled());
    m_ok->setEnabled(m_state.okEnabled());
}

SystemChoice CSystypeDlg::choice() const {
    return result() == QDialog::Accepted ? m_state.choice() : SystemChoice{};
}

} // namespace tarvik
