#pragma once

// The width a window needs for the window manager to show its whole caption.

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

namespace tarvik {

// The caption in a bold variant of the window's font, and room for the icon, the title-bar
// buttons and the frame's margins (about eight line heights).
inline int captionWidth(const QWidget& window) {
    QFont font = window.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(window.windowTitle()) + 8 * metrics.height();
}

} // namespace tarvik
