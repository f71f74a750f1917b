#pragma once

// The digital pattern statements of the logic cards, as every generator that tests a part of
// the shared digital channel numbering writes them (GAT84, AGAT520/GAT860, NORV860, SEQ28).
// The templates hold them for the first card of that numbering:
//
//   "  LOGSTEP3 HLHL"          pattern step 3; its first character drives digital channel 1
//   "  LOGDRIVEHIGH0 5.0"      drive level of statement set 0 (one digit, one blank, text)
//   "  LOGCOMPHIGH0 2.0"       compare-high level of statement set 0
//   "  LOGCOMPLOW0 0.8"        compare-low level of statement set 0
//
// For another card the pattern moves right by one dot per channel before the card's first
// channel, and the three level statements take the card's statement set (its running number
// in the digital series minus 1).

#include "tarvik/modules/value_slot.h"

#include <string>
#include <string_view>

namespace tarvik {

// What the statements are moved to for the card under test.
struct LogicStatementTarget {
    // Channel that the pattern's first character stands for (1: the pattern stays).
    int firstChannel = 1;
    // Number written after LOGDRIVEHIGH, LOGCOMPHIGH and LOGCOMPLOW (card number - 1).
    int statementSet = 0;
    // When given and found: written as the level of LOGDRIVEHIGH instead of the template's.
    const ValueSlot* driveHigh = nullptr;
    // When given and found: written as the level of LOGCOMPLOW instead of the template's.
    const ValueSlot* compareLow = nullptr;
};

// Rewrites a line that begins with "  LOGSTEP", "  LOGDRIVEHIGH", "  LOGCOMPHIGH" or
// "  LOGCOMPLOW" for the target and returns true; any other line stays and gives false. A
// logic statement can stay unchanged too (a pattern for channel 1); the result still says
// that the line was one, so a caller tries no further rules on it.
bool rewriteLogicStatement(std::string& line, const LogicStatementTarget& target);

// The pattern step rule on its own, for any keyword of that shape ("  LOGSTEP", "  DWBSTEP"):
// "<keyword><s> <pattern>" becomes "<keyword><s> " followed by firstChannel - 1 dots and the
// pattern. The line stays when firstChannel is 1 or less, when it does not begin with the
// keyword, or when no step number follows the keyword. Returns whether it begins with the
// keyword.
bool shiftPatternStep(std::string& line, std::string_view keyword, int firstChannel);

} // namespace tarvik
