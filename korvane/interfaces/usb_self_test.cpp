#include "korvane/interfaces/usb_self_test.h"

#include "korvane/interfaces/interface.h"
#include "korvane/interfaces/message_guard.h"
#include "korvane/interfaces/result_window.h"

#include <functional>
#include <string>

namespace korvane {

const char* const kUsbSelfTestWarning =
    "Achtung!!!   Achtung!!!   Achtung!!!\n\n"
    "Der Selbsttest der USB860-Übertragung benötigt eine spezielle Selbsttest-Platine,\n"
    "die auf der Übertragungs-Platine aufgesteckt sein muss!\n\n";

namespace {

// One row: steps i through its values, ORs together what came back wrong.
void runRow(BitsResultWindow& window, int row, const std::string& label, int values,
            const std::function<unsigned(int)>& difference) {
    window.setItemLabel(row, label);
    unsigned mask = 0;
    for (int i = 0; i < values; ++i) {
        mask |= difference(i);
        window.setItemProgress(row, i * 100 / values);
    }
    window.setItemBits(row, label, mask);
    if (mask != 0) {
        window.setError();
    }
}

} // namespace

void runUsb860SelfTest(CInterface& adapter, BitsResultWindow& window,
                       InterfaceUserInterface& user) {
    // Only before the first run: while the window stands, the board is known to be there.
    if (!window.isOpen() && !user.askOkCancel(kUsbSelfTestWarning)) {
        return;
    }
    window.open();
    window.resetResults();
    window.setRunning();
    runRow(window, 0, "Kartenadresse", 64, [&](int card) {
        adapter.busWrite(0, card, 0, 0);
        return static_cast<unsigned>(card ^ adapter.busRead(0, card, 0));
    });
    runRow(window, 1, "Funktionsadresse", 16, [&](int function) {
        adapter.busWrite(0, 0, function, 0);
        return static_cast<unsigned>((function + 16 * function) ^ adapter.busRead(32, 0, function));
    });
    window.finishRun();
}

} // namespace korvane
