#include "tarvik/modules/template_file_handler.h"

namespace tarvik {

CTemplateFileHandler::CTemplateFileHandler(int systemType)
    : m_selector(std::to_string(systemType)) {}

void CTemplateFileHandler::OnDataLine(std::string& line) {
    ParseValueToken(m_nominal, line, "SW", m_selector);
    ParseValueToken(m_lower, line, "UG", m_selector);
    ParseValueToken(m_upper, line, "OG", m_selector);
}

void CTemplateFileHandler::OnBodyLine(std::string& line) {
    ReplaceStatement(line, "  VALUE ", m_nominal) || ReplaceStatement(line, "  LOWER ", m_lower) ||
        ReplaceStatement(line, "  UPPER ", m_upper);
}

void CTemplateFileHandler::OnEndStep(int, std::int64_t) {
    m_nominal.clear();
    m_lower.clear();
    m_upper.clear();
}

} // namespace tarvik
