#include "tarvik/modules/reset_handler.h"

#include "tarvik/modules/module_text.h"

#include <cstdio>

namespace tarvik {

namespace {

constexpr std::string_view kNameMarker = "{name}";
constexpr std::string_view kAddress = "  BUSSADDRESS";
constexpr std::string_view kConfig = "  BUSSCONFIG";
constexpr std::string_view kConfigLine = "  BUSSCONFIG 90 #2";
constexpr std::string_view kInit = "  BUSSINITSTR {0xFF}";
// Card addresses 240 ... 247 take the init value in front of the init text.
constexpr int kInitValueBlock = 240;
constexpr int kInitValueBlockMask = ~7;

} // namespace

CResetHandler::CResetHandler(std::vector<CResetInfo> resetList) : m_list(std::move(resetList)) {}

bool CResetHandler::Prepare() {
    m_position = 0;
    m_inNamedStep = false;
    return true;
}

const CResetInfo* CResetHandler::current() const {
    return m_position < m_list.size() ? &m_list[m_position] : nullptr;
}

int CResetHandler::GetAddedSteps(int) {
    return static_cast<int>(m_list.size()) - 1;
}

void CResetHandler::OnDataLine(std::string& line) {
    if (const CResetInfo* entry = current()) {
        if (replaceAll(line, kNameMarker, entry->name) > 0) {
            m_inNamedStep = true;
        }
    } else if (line.find(kNameMarker) != std::string::npos) {
        m_inNamedStep = true;
    }
}

std::string CResetHandler::initLine(const CResetInfo& entry) const {
    std::string line = "  BUSSINITSTR ";
    if ((entry.cardAddress & kInitValueBlockMask) == kInitValueBlock) {
        char value[16];
        std::snprintf(value, sizeof value, "{%X}", static_cast<unsigned>(entry.initValue));
        line += value;
    }
    return line + entry.initText;
}

void CResetHandler::OnBodyLine(std::string& line) {
    const CResetInfo* entry = current();
    if (!m_inNamedStep || entry == nullptr) {
        return;
    }
    if (startsWith(line, kAddress)) {
        line = std::string(kAddress) + " " + std::to_string(entry->cardAddress);
    } else if (entry->needsConfig && startsWith(line, kConfig)) {
        line = kConfigLine;
    } else if (startsWith(line, kInit)) {
        line = initLine(*entry);
    }
}

void CResetHandler::OnEndStep(int stepNumber, std::int64_t stepStart) {
    if (m_inNamedStep) {
        if (current() == nullptr) {
            // Nothing to reset: the named step goes, and with it every step after it.
            dropSteps(true);
        } else if (m_position + 1 < m_list.size()) {
            SeekInput(stepStart);
            ++m_position;
            startNumbering(saturatingAdd(stepNumber, 10));
        }
    }
    m_inNamedStep = false;
}

} // namespace tarvik
