#pragma once

// The painted elements of the self-test windows. Each paints its client area into an
// off-screen image filled with the button-face colour and copies it in one step, so that the
// many repaints of a running test do not flicker. Where they draw comes from
// result_geometry.h; the double (dialog-style) border is the frame of the widget.

#include "korvane/tool/result_geometry.h"

#include <QFrame>
#include <QString>

namespace korvane {

// Common base: the border and the off-screen painting.
class ResultElement : public QFrame {
public:
    explicit ResultElement(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Draws the client area (width × height) onto the prepared image.
    virtual void paintClient(QPainter& painter, int width, int height) = 0;
};

// One register test: a label, and either a progress bar or the eight bits of an error mask.
class CBitsResult : public ResultElement {
public:
    explicit CBitsResult(QWidget* parent = nullptr) : ResultElement(parent) {}

    // Back to progress mode with percent 0 and an empty label.
    void reset();
    void setLabel(const QString& label) { m_label = label; }
    void setPercent(int percent) { m_percent = percent; }
    // Bit mode with the faulty bits.
    void showBits(unsigned errorMask);

    const QString& label() const { return m_label; }
    int percent() const { return m_percent; }
    bool showsBits() const { return m_showBits; }
    unsigned errorMask() const { return m_errorMask; }

    // Where the frame lies in the widget (for the tests that look at the pixels).
    PixelRect frameInWidget() const;

protected:
    void paintClient(QPainter& painter, int width, int height) override;

private:
    int labelHeight() const;

    QString m_label;
    unsigned m_errorMask = 0;
    bool m_showBits = false;
    int m_percent = 0;
};

// The timing test: a label and a progress bar on one line.
class CWaitTimeResult : public ResultElement {
public:
    explicit CWaitTimeResult(QWidget* parent = nullptr) : ResultElement(parent) {}

    void setLabel(const QString& label) { m_label = label; }
    void setPercent(int percent) { m_percent = percent; }
    const QString& label() const { return m_label; }
    int percent() const { return m_percent; }

protected:
    void paintClient(QPainter& painter, int width, int height) override;

private:
    QString m_label;
    int m_percent = 0;
};

// The overall verdict in coloured letters (large for the final "OK" and "Fehler").
class CTestResult : public ResultElement {
public:
    explicit CTestResult(QWidget* parent = nullptr) : ResultElement(parent) {}

    void setState(int state) { m_state = state; }
    int state() const { return m_state; }

    // The font the verdict of the state is drawn in: the state's font, made smaller where
    // the text would not fit into the width (a narrow element, a large desktop font).
    QFont verdictFont(int state, int width) const;

protected:
    void paintClient(QPainter& painter, int width, int height) override;

private:
    int m_state = 0;
};

// The stock system font the digits and the running texts use.
QFont stockSystemFont();

} // namespace korvane
