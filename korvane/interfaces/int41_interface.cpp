#include "korvane/interfaces/int41_interface.h"

#include "korvane/interfaces/int41_self_test.h"

#include <cstdlib>

namespace korvane {

namespace {
// Register 7 after the check value went into register 1.
constexpr int kCheckAnswer = 0xCC;
} // namespace

CInterfaceInt41Base::~CInterfaceInt41Base() = default;

void CInterfaceInt41Base::checkRegisters(int checkValue) {
    writeRegister(kw::int41::reg::Control, checkValue);
    m_registerCheckPassed = readRegister(kw::int41::reg::Doubled) == kCheckAnswer;
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

unsigned parseHexAddress(const std::string& text) {
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 16);
    return value > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<unsigned>(value);
}

} // namespace korvane
