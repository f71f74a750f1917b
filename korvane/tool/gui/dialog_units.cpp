#include "korvane/tool/gui/dialog_units.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

namespace korvane {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseWidth = (letters / 26 + 1) / 2;
    m_baseHeight = metrics.height();
}

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    return QRect(x(left), y(top), x(width), y(height));
}

int DialogUnits::scaled(int units, int base, int divisor) {
    const long long product = static_cast<long long>(units) * base;
    return static_cast<int>((product + (product >= 0 ? divisor / 2 : -divisor / 2)) / divisor);
}

int captionWidth(const QWidget& window) {
    QFont font = window.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    // Icon, three buttons and the frame's margins take about eight line heights.
    return metrics.horizontalAdvance(window.windowTitle()) + 8 * metrics.height();
}

} // namespace korvane
