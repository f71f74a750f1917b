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
    const ValueTokenRequest base[] = {
        {&m_nominal, "SW", m_selector}, {&m_lower, "UG", m_selector}, {&m_upper, "OG", m_selector}};
    if (own.size() > kMostRequests - std::size(base)) {
        const std::span<const ValueTokenRequest> owns(own.begin(), own.size());
        keepEffects(base);
        keepEffects(owns);
        ParseValueTokens(line, base);
        ParseValueTokens(line, owns);
        return;
    }
    ValueTokenRequest requests[kMostRequests];
    std::copy(std::begin(base), std::end(base), requests);
    std::copy(own.begin(), own.end(), requests + std::size(base));
    parseOnce(line, std::span<const ValueTokenRequest>(requests, std::size(base) + own.size()));
}

// A line that holds no token costs nothing to parse; any other is parsed the first time it is
// read and answered from what that gave when it is read again.
void CTemplateFileHandler::parseOnce(std::string& line,
                                     std::span<const ValueTokenRequest> requests) {
    if (!mayHoldValueTokens(line)) {
        return;
    }
    const std::int64_t position = InputPosition();
    if (line.size() > kLongestKeptLine ||
        (m_parsedLines.size() >= kMostKeptLines && !m_parsedLines.contains(position))) {
        // A template with more or longer data lines than real ones have: parsed each time
        // they are read, with no more memory than that.
        keepEffects(requests);
        ParseValueTokens(line, requests);
        return;
    }
    ParsedDataLine& parsed = m_parsedLines[position];
    if (parsed.answers(line, requests)) {
        for (std::size_t r = 0; r < requests.size(); ++r) {
            if (parsed.found[r]) {
                requests[r].slot->found = true;
                requests[r].slot->value = parsed.values[r];
                keepEffect(*requests[r].slot);
            }
        }
        line = parsed.rewritten;
        return;
    }
    parsed.original = line;
    parsed.requests = requests.size();
    // The parse goes into fresh slots, so that what this line gives is kept apart from what
    // the step's earlier lines gave.
    ValueSlot slots[kMostRequests];
    ValueTokenRequest own[kMostRequests];
    for (std::size_t r = 0; r < requests.size(); ++r) {
        parsed.names[r] = requests[r].name;
        parsed.params[r] = requests[r].param;
        own[r] = {&slots[r], requests[r].name, requests[r].param};
    }
    ParseValueTokens(line, std::span<const ValueTokenRequest>(own, requests.size()));
    for (std::size_t r = 0; r < requests.size(); ++r) {
        parsed.found[r] = slots[r].found;
        parsed.values[r] = slots[r].value;
        if (slots[r].found) {
            requests[r].slot->found = true;
            requests[r].slot->value = slots[r].value;
            keepEffect(*requests[r].slot);
        }
    }
    parsed.rewritten = line;
}

// The values a line gives hold for the rest of the step: a kept result of the line sets them
// again. Where the parse does not tell which it set, every one asked for.
void CTemplateFileHandler::keepEffects(std::span<const ValueTokenRequest> requests) {
    for (const ValueTokenRequest& request : requests) {
        keepEffect(*request.slot);
    }
}

namespace {

// Names and params are a few letters: compared in place, without a library call each.
bool sameShortText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool CTemplateFileHandler::ParsedDataLine::answers(std::string_view line,
                                                   std::span<const ValueTokenRequest> asked) const {
    if (asked.size() != requests || line != original) {
        return false;
    }
    for (std::size_t r = 0; r < requests; ++r) {
        if (!sameShortText(asked[r].name, names[r]) || !sameShortText(asked[r].param, params[r])) {
            return false;
        }
    }
    return true;
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
