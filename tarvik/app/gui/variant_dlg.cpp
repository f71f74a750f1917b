#include "tarvik/app/gui/variant_dlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvik {

CVariantDlg::CVariantDlg(const Texts& texts, const QString& number, const QString& position,
                         QWidget* parent)
    : QDialog(parent), m_choices(new QButtonGroup(this)),
      m_positionLine(number + " " + texts.inPosition + " " + position) {
    setObjectName("variantDialog");
    setWindowTitle(texts.caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(texts.prompt, this));
    auto* line = new QLabel(m_positionLine, this);
    QFont bold = line->font();
    bold.setBold(true);
    line->setFont(bold);
    layout->addWidget(line);
    for (int i = 0; i < static_cast<int>(texts.choices.size()); ++i) {
        auto* button = new QRadioButton(texts.choices[i], this);
        m_choices->addButton(button, i);
        layout->addWidget(button);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText("OK");
    m_ok->setEnabled(false);
    layout->addWidget(buttons);
    connect(m_choices, &QButtonGroup::idClicked, m_ok, [this] { m_ok->setEnabled(true); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

int CVariantDlg::choice() const {
    return result() == QDialog::Accepted ? m_choices->checkedId() : -1;
}

int CVariantDlg::execAt(const QPoint& topLeft) {
    adjustSize();
    move(topLeft);
    return exec();
}

CKvrDlg::CKvrDlg(const QString& number, const QString& position, QWidget* parent)
    : CVariantDlg({"Auswahl der KVR860",
                   "Bitte geben Sie den Typ der folgenden KVR860-Karte an:",
                   "KVR860 in Position",
                   {"KVR860 ohne Netzgeräte", "KVR860 mit zwei positiven Netzgeräten",
                    "KVR860 mit einem positiven und einem negativen Netzgerät"}},
                  number, position, parent) {}

CFjnDlg::CFjnDlg(const QString& number, const QString& position, QWidget* parent)
    : CVariantDlg({"Auswahl der FJN860",
                   "Bitte geben Sie den Typ der folgenden FJN860-Karte an:",
                   "FJN860 in Position",
                   {"FJN860 mit 8 Kanälen", "FJN860 mit 4 Kanälen"}},
                  number, position, parent) {}

} // namespace tarvik
