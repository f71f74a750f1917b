#pragma once

// The pictures of korvane, drawn here rather than kept as image files: the program icon (a
// card bus with an address arrow) and the two 16-pixel images of the action list.

#include <QIcon>
#include <QImage>

class QPainter;

namespace korvane {

// Paints the program icon into a square of the given size.
void paintKorvaneIcon(QPainter& painter, int size);
QImage korvaneIconImage(int size);
QIcon korvaneIcon();

// The row images of the action list: a send action (an arrow onto the bus) and a receive
// action (an arrow from the bus).
QIcon sendActionIcon();
QIcon receiveActionIcon();

} // namespace korvane
