#include "tarvik/modules/logic_statements.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/module_text.h"

namespace tarvik {

namespace {

constexpr std::string_view kStep = "  LOGSTEP";

// A level statement: keyword, one digit (the statement set), one blank, the level text.
struct LevelStatement {
    std::string_view keyword;
    const ValueSlot* LogicStatementTarget::*replacement;
};

constexpr LevelStatement kLevels[] = {
    {"  LOGDRIVEHIGH", &LogicStatementTarget::driveHigh},
    {"  LOGCOMPHIGH", nullptr},
    {"  LOGCOMPLOW", &LogicStatementTarget::compareLow},
};

void rewriteLevel(std::string& line, const LevelStatement& level,
                  const LogicStatementTarget& target) {
    // The template's level starts after the keyword, its one-digit set and a blank.
    const std::size_t textStart = level.keyword.size() + 2;
    std::string text = line.size() > textStart ? line.substr(textStart) : std::string();
    const ValueSlot* value = level.replacement ? target.*level.replacement : nullptr;
    if (value != nullptr && value->found) {
        text = value->value;
    }
    line = std::string(level.keyword) + std::to_string(target.statementSet) + " " + text;
}

} // namespace

bool shiftPatternStep(std::string& line, std::string_view keyword, int firstChannel) {
    if (!line.starts_with(keyword)) {
        return false;
    }
    const std::size_t end = endOfNumberAfter(line, keyword);
    if (firstChannel <= 1 || end == keyword.size()) {
        return true;
    }
    const int step = leadingInt(std::string_view(line).substr(keyword.size()));
    const std::size_t patternStart = end < line.size() && line[end] == ' ' ? end + 1 : end;
    const std::string pattern = line.substr(patternStart);
    line = std::string(keyword) + std::to_string(step) + " " +
           std::string(static_cast<std::size_t>(firstChannel - 1), '.') + pattern;
    return true;
}

bool rewriteLogicStatement(std::string& line, const LogicStatementTarget& target) {
    if (shiftPatternStep(line, kStep, target.firstChannel)) {
        return true;
    }
    for (const auto& level : kLevels) {
        if (line.starts_with(level.keyword)) {
            rewriteLevel(line, level, target);
            return true;
        }
    }
    return false;
}

} // namespace tarvik
