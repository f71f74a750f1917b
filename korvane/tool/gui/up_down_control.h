#pragma once

// An up-down control attached to a digits-only edit field: its two arrows (and the arrow keys
// in the field) step the field's number by one within the control's range. The field itself
// accepts any number of digits, so that an entry outside the range can be made and then
// refused by the dialog with its range message.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace korvane {

class UpDownControl : public QWidget {
    Q_OBJECT
public:
    UpDownControl(QLineEdit& buddy, QWidget* parent);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    // Steps the buddy's number by delta, kept within the range.
    void step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit& m_buddy;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum = 0;
    int m_maximum = 100;
};

} // namespace korvane
