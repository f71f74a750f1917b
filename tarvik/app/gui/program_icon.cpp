#include "tarvik/app/gui/program_icon.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tarvik {

namespace {

// The drawing is laid out on a 256 x 256 grid and scaled to the size asked for.
constexpr double kGrid = 256.0;

void paintRack(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2b, 0x3a, 0x55));
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    painter.setBrush(QColor(0xd9, 0xde, 0xe6));
    painter.drawRoundedRect(QRectF(36, 50, 184, 140), 10, 10);
    painter.setBrush(QColor(0x1d, 0x26, 0x36));
    painter.drawRect(QRectF(48, 62, 160, 116));

    const QColor cards[] = {QColor(0xf2, 0xa5, 0x3a), QColor(0x3a, 0xb7, 0xb0),
                            QColor(0x6f, 0x9c, 0xf2), QColor(0xf2, 0xa5, 0x3a),
                            QColor(0xc9, 0x7d, 0xd9), QColor(0x3a, 0xb7, 0xb0)};
    for (int i = 0; i < 6; ++i) {
        painter.setBrush(cards[i]);
        painter.drawRect(QRectF(56 + i * 25.5, 70, 18, 100));
        painter.setBrush(QColor(0xff, 0xff, 0xff, 0xc0));
        painter.drawRect(QRectF(60 + i * 25.5, 78, 10, 6));
    }
}

void paintCheckBadge(QPainter& painter) {
    painter.setPen(QPen(QColor(0x2b, 0x3a, 0x55), 10));
    painter.setBrush(QColor(0x3c, 0xb3, 0x4a));
    painter.drawEllipse(QPointF(186, 186), 52, 52);

    QPainterPath check;
    check.moveTo(160, 188);
    check.lineTo(179, 207);
    check.lineTo(214, 165);
    painter.setPen(QPen(Qt::white, 15, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(check);
}

} // namespace

QImage programIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    paintRack(painter);
    paintCheckBadge(painter);
    return image;
}

QIcon programIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(programIconImage(size)));
    }
    return icon;
}

} // namespace tarvik
