#pragma once

// The generator's connection to a switched-on test system: finds an adapter behind which one
// answers, and knows the system's kind. Lives until the program ends; destroying it closes
// the adapter.

#include "tarvik/config/testsystem_interface.h"

#include <memory>

namespace tarvik {

class TestsystemConnection {
public:
    // System kinds: 1 860 system, 2 930, 3 945, 4 860 with the ULM860 decoder in ULM520 mode,
    // 5 860 with the ULM860 decoder.
    //
    // Tries the USB860 adapter first, then the INT41 driver. A system counts when card
    // address 0 identifies itself as a QBT card (function 15: low four bits 4 = QBT520, or
    // 31 = QBT860). False when none answers.
    bool connect();

    // The connected interface, or nullptr.
    TestsystemInterface* interface() const { return m_interface.get(); }

    // Read once and kept; 1 without interface.
    int systemKind();

    // Measures the supply of the ZUPA card at card address 14 through the QBT card at 0
    // (QBT860 or QBT520); true when the 5 V supply is fitted (variant 1, "ZUPA (5V-NG)").
    bool zupaSupplyCheck(bool qbt860);

    // Makes an interface the connection's, as connect does (for tests).
    void setInterface(std::unique_ptr<TestsystemInterface> interface);

private:
    int read(int card, int function);
    void write(int card, int function, int data);
    double qbt860Measurement();
    double qbt520Measurement();

    std::unique_ptr<TestsystemInterface> m_interface;
    int m_systemKind = 0; // 0: not read yet
};

} // namespace tarvik
