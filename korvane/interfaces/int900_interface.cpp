#include "korvane/interfaces/int900_interface.h"

#include "korvane/interfaces/result_window.h"
#include "korvane/interfaces/text_format.h"

namespace korvane {

void runInt900DriverSelfTest(CInterfaceInt900Base& card, TextResultWindow& window) {
    constexpr int kCodeRegister = kw::int900::reg::Code;
    card.writeRegister(0, 1);
    card.writeRegister(kCodeRegister, kw::int900::kRestartCodes);
    const unsigned firstHigh =
        (static_cast<unsigned>(card.readRegister(kCodeRegister)) >> 8) & 0xFF;
    window.appendText("erster Code erwartet: 0x" +
                      formatHexUpper(kw::int900::kFirstCodeHighByte, 2) + ", gelesen: 0x" +
                      formatHexUpper(firstHigh, 2) + "\r\n");
    for (const int expected : kw::int900::kCodes) {
        const unsigned read = static_cast<unsigned>(card.readRegister(kCodeRegister)) & 0xFFFF;
        window.appendText("erwarteter Code: 0x" + formatHexUpper(expected, 4) +
                          ", gelesener Code: 0x" + formatHexUpper(read, 4) + "\r\n");
    }
    window.appendText("Test beendet\r\n");
}

} // namespace korvane
