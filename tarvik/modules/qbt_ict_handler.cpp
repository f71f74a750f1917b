#include "tarvik/modules/qbt_ict_handler.h"

#include "tarvik/modules/module_text.h"

namespace tarvik {

namespace {

constexpr int kSystem945 = 945;
constexpr std::string_view kDuMarker = "{du}";
constexpr std::string_view kDu945 = "25";
constexpr std::string_view kDuOther = "20";

} // namespace

CQbtIctHandler::CQbtIctHandler(int systemType)
    : CTemplateFileHandler(systemType), m_systemType(systemType) {}

void CQbtIctHandler::OnDataLine(std::string& line) {
    CTemplateFileHandler::OnDataLine(line);
    ParseValueToken(m_duValue, line, "DU", m_selector);
    replaceAll(line, kDuMarker, m_systemType == kSystem945 ? kDu945 : kDuOther);
}

void CQbtIctHandler::OnBodyLine(std::string& line) {
    CTemplateFileHandler::OnBodyLine(line);
    ReplaceStatement(line, "  DVOLTAGE ", m_duValue);
}

void CQbtIctHandler::OnEndStep(int stepNumber, std::int64_t stepStart) {
    CTemplateFileHandler::OnEndStep(stepNumber, stepStart);
    m_duValue.clear();
}

} // namespace tarvik
