#include "korvane/tool/result_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace korvane {

PixelRect bitsFrame(int clientWidth, int clientHeight, int labelHeight) {
    return PixelRect{0, labelHeight, clientWidth, clientHeight};
}

int bitDigitCentreX(const PixelRect& frame, int bit) {
    return frame.left + frame.width() * (8 - bit) / 9;
}

int frameCentreY(const PixelRect& frame) {
    return frame.top + frame.height() / 2;
}

bool bitIsFaulty(unsigned errorMask, int bit) {
    return (errorMask >> bit) & 1u;
}

std::optional<PixelRect> progressBar(const PixelRect& frame, int percent) {
    const PixelRect inner{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    const int width = inner.width() * std::clamp(percent, 0, 100) / 100;
    if (width <= 0 || inner.height() <= 0) {
        return std::nullopt;
    }
    return PixelRect{inner.left, inner.top, inner.left + width, inner.bottom};
}

std::optional<PixelRect> waitTimeFrame(int clientWidth, int clientHeight, int labelWidth,
                                       int percent) {
    if (percent >= 100) {
        return std::nullopt;
    }
    return PixelRect{labelWidth, 0, clientWidth, clientHeight};
}

std::optional<VerdictLook> verdictLook(int state) {
    switch (state) {
    case 1:
        return VerdictLook{"Test läuft...", 0, 0, 255, false};
    case 2:
        return VerdictLook{"Fehler aufgetreten...", 255, 0, 0, false};
    case 3:
        return VerdictLook{"OK", 0, 255, 0, true};
    case 4:
        return VerdictLook{"Fehler", 255, 0, 0, true};
    default:
        return std::nullopt;
    }
}

int verdictFontTenths(int controlFontHeight) {
    return controlFontHeight == 0 ? 220 : 20 * std::abs(controlFontHeight);
}

int verdictTextTop(int clientTop, int clientHeight, int textHeight) {
    return clientTop + (clientHeight - textHeight) / 2;
}

} // namespace korvane
