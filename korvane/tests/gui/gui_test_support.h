#pragma once

// Helpers of the GUI tests: answering a modal dialog that an action is about to open, and
// looking at the pixels of a painted element.

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QMessageBox>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace korvane {

// Arms an answer before the action that opens a modal dialog: once the dialog is the active
// modal widget, answer runs with it (and must close it).
inline void whenModal(std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        }
    });
    poll->start();
}

// Closes the next message box with its default button; the text it showed goes to *text.
inline void answerMessageBox(QString* text) {
    whenModal([text](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (text) {
                *text = box->text();
            }
            box->accept();
        }
    });
}

// Pixels of exactly this colour within the rectangle of the image.
inline int countColour(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (image.pixelColor(x, y).rgb() == colour.rgb()) {
                ++count;
            }
        }
    }
    return count;
}

} // namespace korvane
