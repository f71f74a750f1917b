#include "korvane/tool/gui/up_down_control.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace korvane {

namespace {

QToolButton* arrowButton(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return button;
}

} // namespace

UpDownControl::UpDownControl(QLineEdit& buddy, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_up(arrowButton(Qt::UpArrow, this)),
      m_down(arrowButton(Qt::DownArrow, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
    m_buddy.installEventFilter(this);
}

void UpDownControl::setRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
}

void UpDownControl::step(int delta) {
    bool ok = false;
    const long long current = m_buddy.text().toLongLong(&ok);
    const long long stepped = ok ? current + delta : m_minimum;
    const long long kept = std::clamp<long long>(stepped, m_minimum, m_maximum);
    // Decimal, without thousands separators.
    m_buddy.setText(QString::number(kept));
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_buddy && event->type() == QEvent::KeyPress && !isHidden()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace korvane
