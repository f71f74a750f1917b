#include "tarvik/modules/logic_statements.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>
#include <charconv>

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
    // The template's level starts after the keyword, its one-digit set and a blank; the
    // line is rewritten in place: keyword, set, blank, level.
    const std::size_t textStart = level.keyword.size() + 2;
    const ValueSlot* value = level.replacement ? target.*level.replacement : nullptr;
    char set[16];
    const auto setEnd = std::to_chars(set, set + sizeof set - 1, target.statementSet).ptr;
    *setEnd = ' ';
    const std::string_view head(set, static_cast<std::size_t>(setEnd + 1 - set));
    if (value != nullptr && value->found) {
        line.replace(level.keyword.size(), std::string::npos, head).append(value->value);
    } else {
        line.replace(level.keyword.size(), std::min(textStart, line.size()) - level.keyword.size(),
                     head);
    }
}

} // namespace

bool shiftPatternStep(std::string& line, std::string_view keyword, int firstChannel) {
    if (!startsWith(line, keyword)) {
        return false;
    }
    const std::size_t end = endOfNumberAfter(line, keyword);
    if (firstChannel <= 1 || end == keyword.size()) {
        return true;
    }
    // In place: the step number as a number, one blank, a dot for each channel before the
    // first, then the pattern.
    const int step = leadingInt(std::string_view(line).substr(keyword.size()));
    const std::size_t patternStart = end < line.size() && line[end] == ' ' ? end + 1 : end;
    char number[16];
    const auto numberEnd = std::to_chars(number, number + sizeof number - 1, step).ptr;
    *numberEnd = ' ';
    line.replace(keyword.size(), patternStart - keyword.size(), number,
                 static_cast<std::size_t>(numberEnd + 1 - number));
    line.insert(keyword.size() + static_cast<std::size_t>(numberEnd + 1 - number),
                static_cast<std::size_t>(firstChannel - 1), '.');
    return true;
}

bool rewriteLogicStatement(std::string& line, const LogicStatementTarget& target) {
    if (shiftPatternStep(line, kStep, target.firstChannel)) {
        return true;
    }
    for (const auto& level : kLevels) {
        if (startsWith(line, level.keyword)) {
            rewriteLevel(line, level, target);
            return true;
        }
    }
    return false;
}

} // namespace tarvik
