#include "korvane/interfaces/usb_names.h"
#include "korvane/interfaces/usb_self_test.h"

#include "fake_bus.h"
#include "recording_windows.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {
const std::string kClass = "#{2f8b6d13-c94e-4a7d-8e05-b3a17c6f9d52}";
std::string path(const std::string& serial) {
    return "/run/kw/usb#vid_0b1e&pid_0860#" + serial + kClass;
}
} // namespace

TEST(UsbNames, SerialNumberSpeedAndDeviceNumber) {
    EXPECT_EQ("Usb860 (1234567)", usbDisplayName(path("1234567"), "Usb860", 1, 2));
    EXPECT_EQ("Usb860 (4711) (FullSpeed)", usbDisplayName(path("4711"), "Usb860", 2, 1));
    EXPECT_EQ("Ulm860 (16 Bit) (12ab) (LowSpeed)",
              usbDisplayName(path("12ab"), "Ulm860 (16 Bit)", 1, 0));
    // A serial number that reads as 0 or not at all names the adapter by its number.
    EXPECT_EQ("Usb860", usbDisplayName(path("0"), "Usb860", 1, 2));
    EXPECT_EQ("Usb860 (2)", usbDisplayName(path("abc"), "Usb860", 2, 2));
    EXPECT_EQ("Usb860 (3) (???Speed)", usbDisplayName("kein-feld", "Usb860", 3, -1));
    EXPECT_EQ("Usb860 (???Speed)", usbDisplayName(path("00"), "Usb860", 1, 7));
}

TEST(UsbNames, FieldsAreReadLikeScanf) {
    const auto fields = readUsbPathFields(path("1234567"));
    ASSERT_TRUE(fields);
    EXPECT_EQ("vid_0b1e&pid_0860", fields->second);
    EXPECT_EQ("1234567", fields->serialNumber);
    EXPECT_FALSE(readUsbPathFields("#a#b#")); // the first field may not be empty
    EXPECT_FALSE(readUsbPathFields("x##b#")); // nor the second
    EXPECT_FALSE(readUsbPathFields("x#a#"));  // nor the third
    EXPECT_TRUE(readUsbPathFields("x#a#b"));  // the closing "#" is not needed
    // A second field over 255 characters stops the scan before its "#".
    EXPECT_FALSE(readUsbPathFields("x#" + std::string(256, 'a') + "#1#"));
    // The third is cut at 255 characters.
    const auto longSerial = readUsbPathFields("x#a#" + std::string(300, '7') + "#");
    ASSERT_TRUE(longSerial);
    EXPECT_EQ(255u, longSerial->serialNumber.size());
    EXPECT_EQ("1234567", readUsbSerialField(path("1234567")).value());
    EXPECT_FALSE(readUsbSerialField("x#a"));
}

namespace {

// The self-test board: a read of card address c, function 0 echoes c; a read at system
// address 32 echoes the function address in both nibbles. A stuck line spoils one bit.
class SelfTestBoard : public FakeBus {
public:
    int busRead(int s, int c, int f) override {
        FakeBus::busRead(s, c, f);
        const int echo = s == 32 ? f + 16 * f : c;
        return echo | stuckHigh;
    }
    int stuckHigh = 0;
};

} // namespace

TEST(UsbSelfTest, AsksFirstThenStepsCardAndFunctionAddresses) {
    SelfTestBoard board;
    std::vector<std::string> log;
    RecordingResultWindow window(log);
    RecordingUser user;
    runUsb860SelfTest(board, window, user);
    ASSERT_EQ(1u, user.questions.size());
    EXPECT_EQ(kUsbSelfTestWarning, user.questions[0]);
    EXPECT_EQ((std::vector<std::string>{
                  "open", "resetResults", "setRunning", "setItemLabel 0 Kartenadresse",
                  "setItemBits 0 Kartenadresse 0x0", "setItemLabel 1 Funktionsadresse",
                  "setItemBits 1 Funktionsadresse 0x0", "finishRun"}),
              log);
    EXPECT_EQ(3, window.state());
    EXPECT_EQ(2u * (64 + 16), board.log.size());
    EXPECT_EQ("W 0 5 0 0", board.log[10]);
    EXPECT_EQ("R 0 5 0 0", board.log[11]);
    EXPECT_EQ("R 32 0 3 0", board.log[2 * 64 + 7]);
    EXPECT_EQ(64 + 16, window.progressCalls);

    // The window stands now: no second question.
    board.stuckHigh = 0x40;
    log.clear();
    runUsb860SelfTest(board, window, user);
    EXPECT_EQ(1u, user.questions.size());
    EXPECT_EQ("setItemBits 0 Kartenadresse 0x40", log.at(4));
    EXPECT_EQ("setError", log.at(5));
    EXPECT_EQ("setItemBits 1 Funktionsadresse 0x40", log.at(7));
    EXPECT_EQ(4, window.state());
}

TEST(UsbSelfTest, CancelledWarningRunsNothing) {
    SelfTestBoard board;
    std::vector<std::string> log;
    RecordingResultWindow window(log);
    RecordingUser user;
    user.answerOk = false;
    runUsb860SelfTest(board, window, user);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(board.log.empty());
}
