#include "korvane/tool/gui/about_dlg.h"

#include "korvane/tool/gui/dialog_units.h"
#include "korvane/tool/gui/korvane_icons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace korvane {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle("Info über Korvane");
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap::fromImage(korvaneIconImage(32)));
    auto* text = new QLabel(kVersionLine, this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* line = new QHBoxLayout;
    line->addWidget(icon);
    line->addSpacing(12);
    line->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(line);
    layout->addWidget(buttons);
    layout->addStrut(captionWidth(*this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace korvane
