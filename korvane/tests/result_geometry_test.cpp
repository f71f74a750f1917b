#include "korvane/tool/result_geometry.h"

#include <gtest/gtest.h>

#include <array>

using namespace korvane;

namespace {

TEST(ResultGeometry, BitDigitsRunFromBitSevenOnTheLeftToBitZeroOnTheRight) {
    const PixelRect frame = bitsFrame(180, 40, 13);
    EXPECT_EQ(frame, (PixelRect{0, 13, 180, 40}));
    // x = left + width × (8 − k) / 9
    EXPECT_EQ(bitDigitCentreX(frame, 7), 20);
    EXPECT_EQ(bitDigitCentreX(frame, 0), 160);
    for (int bit = 1; bit < 8; ++bit) {
        EXPECT_LT(bitDigitCentreX(frame, bit), bitDigitCentreX(frame, bit - 1));
    }
    EXPECT_EQ(bitDigitCentreX(PixelRect{5, 0, 105, 10}, 4), 5 + 100 * 4 / 9);
    EXPECT_EQ(frameCentreY(frame), 26);
}

TEST(ResultGeometry, ErrorMaskMarksItsBits) {
    std::string marks;
    for (int bit = 7; bit >= 0; --bit) {
        marks += bitIsFaulty(0x81, bit) ? 'R' : 'G';
    }
    EXPECT_EQ(marks, "RGGGGGGR");
}

TEST(ResultGeometry, ProgressBarFillsTheShrunkFrame) {
    const PixelRect frame{0, 10, 102, 30};
    EXPECT_EQ(progressBar(frame, 50), (PixelRect{1, 11, 51, 29}));
    EXPECT_EQ(progressBar(frame, 100), (PixelRect{1, 11, 101, 29}));
    EXPECT_EQ(progressBar(frame, 0), std::nullopt);
    // Out-of-range values stay inside the frame.
    EXPECT_EQ(progressBar(frame, 250), (PixelRect{1, 11, 101, 29}));
    EXPECT_EQ(progressBar(frame, -5), std::nullopt);
    EXPECT_EQ(progressBar(PixelRect{0, 0, 2, 2}, 100), std::nullopt);
}

TEST(ResultGeometry, WaitTimeFrameOnlyBelowAHundredPercent) {
    EXPECT_EQ(waitTimeFrame(300, 20, 70, 99), (PixelRect{70, 0, 300, 20}));
    EXPECT_EQ(waitTimeFrame(300, 20, 70, 100), std::nullopt);
    EXPECT_EQ(waitTimeFrame(300, 20, 70, 130), std::nullopt);
}

TEST(ResultGeometry, VerdictLooksAndFont) {
    EXPECT_EQ(verdictLook(0), std::nullopt);
    EXPECT_EQ(verdictLook(1)->text, "Test läuft...");
    EXPECT_EQ(verdictLook(2)->text, "Fehler aufgetreten...");
    const VerdictLook ok = *verdictLook(3);
    EXPECT_EQ(ok.text, "OK");
    EXPECT_EQ((std::array<int, 3>{ok.red, ok.green, ok.blue}), (std::array<int, 3>{0, 255, 0}));
    EXPECT_TRUE(ok.large);
    const VerdictLook failed = *verdictLook(4);
    EXPECT_EQ(failed.text, "Fehler");
    EXPECT_EQ(failed.red, 255);
    EXPECT_FALSE(verdictLook(2)->large);

    EXPECT_EQ(verdictFontTenths(-11), 220);
    EXPECT_EQ(verdictFontTenths(13), 260);
    EXPECT_EQ(verdictFontTenths(0), 220);
    EXPECT_EQ(verdictTextTop(4, 40, 21), 13);
}

TEST(ResultGeometry, VerdictStates) {
    VerdictState verdict;
    verdict.setRunning();
    verdict.finish();
    EXPECT_TRUE(verdict.isOk());
    verdict.reset();
    verdict.setRunning();
    verdict.setError();
    verdict.finish();
    EXPECT_EQ(verdict.state(), 4);
    EXPECT_FALSE(verdict.isOk());
}

} // namespace
