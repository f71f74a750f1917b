#pragma once

// The program icon of tarvik: a rack of cards with a check mark. It is drawn, not loaded,
// so that every size is sharp; the installed icon files are renderings of the same drawing.

#include <QIcon>

class QImage;

namespace tarvik {

// The icon drawn at size x size pixels on a transparent background.
QImage programIconImage(int size);

// The icon in the sizes window systems ask for.
QIcon programIcon();

} // namespace tarvik
