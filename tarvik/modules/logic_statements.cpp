#include "tarvik/modules/logic_statements.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>
#include <cstring>

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
    const std::size_t textStart = std::min(level.keyword.size() + 2, line.size());
    const ValueSlot* value = level.replacement ? target.*level.replacement : nullptr;
    std::string head{DecimalText(target.statementSet).view()};
    head += ' ';
    if (value != nullptr && value->found) {
        line.replace(level.keyword.size(), std::string::npos, head).append(value->value);
    } else {
        line.replace(level.keyword.size(), textStart - level.keyword.size(), head);
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
    const DecimalText step(leadingInt(std::string_view(line).substr(keyword.size())));
    const std::size_t patternStart = end < line.size() && line[end] == ' ' ? end + 1 : end;
    const std::size_t head = step.view().size() + 1 + static_cast<std::size_t>(firstChannel - 1);
    // The head is made all dots in the line's own storage, then the number and blank written
    // over its start: no text is built beside the line.
    line.replace(keyword.size(), patternStart - keyword.size(), head, '.');
    std::memcpy(line.data() + keyword.size(), step.view().data(), step.view().size());
    line[keyword.size() + step.view().size()] = ' ';
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
