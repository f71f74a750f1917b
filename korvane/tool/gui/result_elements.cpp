#include "korvane/tool/gui/result_elements.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QPixmap>

namespace korvane {

namespace {

QRect toQRect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.width(), rect.height());
}

// A rectangle outlined with the black pen and filled white, the outline inside the rectangle.
void outlineFrame(QPainter& painter, const PixelRect& frame) {
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(frame.left, frame.top, frame.width() - 1, frame.height() - 1);
}

void drawBar(QPainter& painter, const PixelRect& frame, int percent) {
    if (const auto bar = progressBar(frame, percent)) {
        painter.fillRect(toQRect(*bar), QColor(0, 0, 255));
    }
}

// Text in the element's own colours must come out exactly in them (the tests look at pixels).
QFont unsmoothed(QFont font) {
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

QFont stockSystemFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setBold(true);
    return font;
}

ResultElement::ResultElement(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    // The whole client area is painted each time; nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ResultElement::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect client = contentsRect();
    if (client.isEmpty()) {
        return;
    }
    QPixmap image(client.size());
    image.fill(palette().color(QPalette::Button));
    {
        QPainter painter(&image);
        painter.setFont(font());
        painter.setBackgroundMode(Qt::TransparentMode);
        paintClient(painter, client.width(), client.height());
    }
    QPainter(this).drawPixmap(client.topLeft(), image);
}

void CBitsResult::reset() {
    m_label.clear();
    m_percent = 0;
    m_showBits = false;
}

void CBitsResult::showBits(unsigned errorMask) {
    m_errorMask = errorMask;
    m_showBits = true;
}

int CBitsResult::labelHeight() const {
    return QFontMetrics(font()).size(0, m_label + "0").height();
}

PixelRect CBitsResult::frameInWidget() const {
    const QRect client = contentsRect();
    PixelRect frame = bitsFrame(client.width(), client.height(), labelHeight());
    frame.left += client.left();
    frame.right += client.left();
    frame.top += client.top();
    frame.bottom += client.top();
    return frame;
}

void CBitsResult::paintClient(QPainter& painter, int width, int height) {
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, width, height), Qt::AlignLeft | Qt::AlignTop, m_label);
    const PixelRect frame = bitsFrame(width, height, labelHeight());
    outlineFrame(painter, frame);
    if (!m_showBits) {
        drawBar(painter, frame, m_percent);
        return;
    }
    painter.setFont(unsmoothed(stockSystemFont()));
    const int halfCell = std::max(1, frame.width() / 18);
    for (int bit = 0; bit < 8; ++bit) {
        painter.setPen(bitIsFaulty(m_errorMask, bit) ? QColor(255, 0, 0) : QColor(0, 200, 0));
        const QRect cell(bitDigitCentreX(frame, bit) - halfCell, frame.top, 2 * halfCell,
                         frame.height());
        painter.drawText(cell, Qt::AlignCenter | Qt::TextDontClip, QString::number(bit));
    }
}

void CWaitTimeResult::paintClient(QPainter& painter, int width, int height) {
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, width, height), Qt::AlignLeft | Qt::AlignTop, m_label);
    const int labelWidth = QFontMetrics(font()).horizontalAdvance(m_label + "0");
    if (const auto frame = waitTimeFrame(width, height, labelWidth, m_percent)) {
        outlineFrame(painter, *frame);
        drawBar(painter, *frame, m_percent);
    }
}

QFont CTestResult::verdictFont(int state, int width) const {
    const auto look = verdictLook(state);
    QFont font = stockSystemFont();
    if (!look) {
        return font;
    }
    if (look->large) {
        font = QFont("Arial");
        font.setPointSizeF(verdictFontTenths(QFontInfo(this->font()).pixelSize()) / 10.0);
    }
    const QString text = QString::fromStdString(look->text);
    font.setPixelSize(QFontInfo(font).pixelSize());
    while (font.pixelSize() > 6 && QFontMetrics(font).horizontalAdvance(text) > width) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font;
}

void CTestResult::paintClient(QPainter& painter, int width, int height) {
    const auto look = verdictLook(m_state);
    if (!look) {
        return;
    }
    const QFont font = verdictFont(m_state, width);
    painter.setFont(unsmoothed(font));
    painter.setPen(QColor(look->red, look->green, look->blue));
    const int textHeight = QFontMetrics(font).height();
    painter.drawText(QRect(0, verdictTextTop(0, height, textHeight), width, textHeight),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip,
                     QString::fromStdString(look->text));
}

} // namespace korvane
