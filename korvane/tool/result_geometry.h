#pragma once

// Where the self-test result elements draw, as small pure functions over client sizes and
// text extents, so that the painting code only measures text and the tests can check every
// rule without a display. Rectangles run from left/top inclusive to right/bottom exclusive.

#include <optional>
#include <string>

namespace korvane {

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

// The frame of a bit result: from the line below its label (labelHeight: the height of the
// label with "0" appended, so an empty label still takes one line) to the client's bottom
// right.
PixelRect bitsFrame(int clientWidth, int clientHeight, int labelHeight);

// Horizontal centre of the digit of a bit: bit 7 leftmost, bit 0 rightmost.
int bitDigitCentreX(const PixelRect& frame, int bit);
int frameCentreY(const PixelRect& frame);

// Bit k of the mask marks the digit k as faulty (red), otherwise it is sound (green).
bool bitIsFaulty(unsigned errorMask, int bit);

// The blue bar inside a frame: the frame shrunk by one pixel on each side, filled from its
// left edge for percent of its width (percent kept to 0..100). Nothing when it has no width.
std::optional<PixelRect> progressBar(const PixelRect& frame, int percent);

// The frame of the wait-time result: right of the label (labelWidth: the width of the label
// with "0" appended) over the full client height. Nothing from 100 percent on.
std::optional<PixelRect> waitTimeFrame(int clientWidth, int clientHeight, int labelWidth,
                                       int percent);

// The verdict: its text, colour and font for each state (nothing is drawn in state 0).
struct VerdictLook {
    std::string text;
    int red = 0;
    int green = 0;
    int blue = 0;
    bool large = false; // large "Arial" instead of the stock system font
};
std::optional<VerdictLook> verdictLook(int state);

// Size of the large verdict font in tenths of a point: 20 × |font height of the control|, or
// 220 when the control's font height is not known (0).
int verdictFontTenths(int controlFontHeight);

// Top of the verdict text, centred vertically in the client area.
int verdictTextTop(int clientTop, int clientHeight, int textHeight);

// The overall verdict of a self-test run: 0 reset, 1 running, 2 an error occurred while
// running, 3 OK, 4 failed.
class VerdictState {
public:
    void reset() { m_state = 0; }
    void setRunning() { m_state = 1; }
    void setError() { m_state = 2; }
    void finish() { m_state = m_state == 2 ? 4 : 3; }
    int state() const { return m_state; }
    bool isOk() const { return m_state == 3; }

private:
    int m_state = 0;
};

} // namespace korvane
