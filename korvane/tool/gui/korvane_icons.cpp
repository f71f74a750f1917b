#include "korvane/tool/gui/korvane_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korvane {

namespace {

// A bus bar at busX and an arrow from fromX to toX (head at toX), in a 16 × 16 square.
QPixmap arrowImage(int busX, int fromX, int toX, const QColor& colour) {
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(busX, 1, 2, 14), QColor(60, 60, 60));
    painter.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
    const qreal tip = toX;
    const qreal direction = toX > fromX ? 1 : -1;
    painter.drawLine(QPointF(fromX, 8), QPointF(tip - 2 * direction, 8));
    QPainterPath head;
    head.moveTo(tip, 8);
    head.lineTo(tip - 5 * direction, 3.5);
    head.lineTo(tip - 5 * direction, 12.5);
    head.closeSubpath();
    painter.fillPath(head, colour);
    return image;
}

} // namespace

void paintKorvaneIcon(QPainter& painter, int size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    // A card with its bus connector...
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 110, 60));
    painter.drawRoundedRect(QRectF(6, 6, 52, 40), 5, 5);
    painter.setBrush(QColor(212, 175, 55));
    for (int pin = 0; pin < 8; ++pin) {
        painter.drawRect(QRectF(10 + pin * 6, 46, 3.5, 10));
    }
    // ...two chips and the bus word going out.
    painter.setBrush(QColor(30, 30, 30));
    painter.drawRect(QRectF(12, 13, 16, 12));
    painter.drawRect(QRectF(34, 13, 16, 12));
    painter.setPen(QPen(QColor(255, 255, 255), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(14, 35), QPointF(42, 35));
    QPainterPath head;
    head.moveTo(52, 35);
    head.lineTo(41, 29);
    head.lineTo(41, 41);
    head.closeSubpath();
    painter.fillPath(head, QColor(255, 255, 255));
    painter.restore();
}

QImage korvaneIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintKorvaneIcon(painter, size);
    return image;
}

QIcon korvaneIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(QPixmap::fromImage(korvaneIconImage(size)));
    }
    return icon;
}

QIcon sendActionIcon() {
    return QIcon(arrowImage(13, 1, 12, QColor(200, 30, 30)));
}

QIcon receiveActionIcon() {
    return QIcon(arrowImage(1, 4, 15, QColor(30, 80, 200)));
}

} // namespace korvane
