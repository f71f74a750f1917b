#include "korvane/interfaces/int41_interface.h"

#include "korvane/interfaces/int41_self_test.h"

#include <cstdlib>

CInterfaceInt41Base::~CInterfaceInt41Base() = default;

void CInterfaceInt41Base::checkRegisters(int checkValue) {
    writeRegister(int41::kControlBus, checkValue);
    m_registerCheckPassed = readRegister(int41::kDoubledBits) == int41::kCheckAnswer;
}

bool CInterfaceInt41Base::matchesSelection(int kind, const std::string& text) const {
    if (kind != kSelectInt41 || m_basePort == 0) {
        return false;
    }
    return text.empty() || parseHexAddress(text) == m_basePort;
}

void CInterfaceInt41Base::runSelfTest() {
    if (!m_resultWindow) {
        m_resultWindow = m_context.windows.makeInt41Window();
    }
    runInt41SelfTest(*this, *m_resultWindow);
}

int int41DoubledBits(int functionAddress) {
    int pattern = 0;
    for (int bit = 0; bit < 4; ++bit) {
        if (functionAddress & (1 << bit)) {
            pattern |= 3 << (2 * bit);
        }
    }
    return pattern;
}

unsigned parseHexAddress(const std::string& text) {
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 16);
    return value > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<unsigned>(value);
}
