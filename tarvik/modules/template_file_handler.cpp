#include "tarvik/modules/template_file_handler.h"

#include <algorithm>
#include <iterator>

namespace tarvik {

CTemplateFileHandler::CTemplateFileHandler(int systemType)
    : m_selector(std::to_string(systemType)) {}

void CTemplateFileHandler::OnDataLine(std::string& line) {
    parseStepValues(line, {});
}

void CTemplateFileHandler::parseStepValues(std::string& line,
                                           std::initializer_list<ValueTokenRequest> own) {
    const ValueTokenRequest base[] = {{&m_nominal, "SW", m_selector},
                                      {&m_lower, "UG", m_selector},
                                      {&m_upper, "OG", m_selector}};
    constexpr std::size_t kMost = 8; // what one scan serves
    if (own.size() > kMost - std::size(base)) {
        ParseValueTokens(line, base);
        ParseValueTokens(line, std::span<const ValueTokenRequest>(own.begin(), own.size()));
        return;
    }
    ValueTokenRequest requests[kMost];
    std::copy(std::begin(base), std::end(base), requests);
    std::copy(own.begin(), own.end(), requests + std::size(base));
    ParseValueTokens(line, std::span<const ValueTokenRequest>(requests, std::size(base) + own.size()));
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
