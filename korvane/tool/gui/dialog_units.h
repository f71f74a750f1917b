#pragma once

// Dialog units: the windows of korvane are laid out in units of the dialog font, a quarter of
// its average character width horizontally and an eighth of its height vertically, so that the
// layout grows with the font.

#include <QRect>

class QFont;
class QWidget;

namespace korvane {

class DialogUnits {
public:
    // Base units of the font: average width of the Latin letters, and line height.
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseWidth, int baseHeight) : m_baseWidth(baseWidth), m_baseHeight(baseHeight) {}

    int x(int units) const { return scaled(units, m_baseWidth, 4); }
    int y(int units) const { return scaled(units, m_baseHeight, 8); }
    QRect rect(int left, int top, int width, int height) const;

private:
    // units × base / divisor, rounded to the nearest pixel.
    static int scaled(int units, int base, int divisor);

    int m_baseWidth;
    int m_baseHeight;
};

// The width a window needs for the window manager to show its whole caption: the caption in
// a bold variant of the window's font, and room for the icon and the title-bar buttons.
int captionWidth(const QWidget& window);

} // namespace korvane
