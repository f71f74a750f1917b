#include "tarvik/modules/gat84_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/logic_statements.h"
#include "tarvik/modules/module_text.h"

#include <array>

namespace tarvik {

namespace {

constexpr std::string_view kVariablePrefix = "  VARIABLE _GAT84_";

// Fail data names the step it belongs to by a four-digit number after this text.
constexpr std::string_view kFailData = "  TESTFAILDATA0 Modul: GAT84, Schritt: ";
constexpr int kFailDataDigits = 4;

// Two template steps stand outside the card section.
constexpr int kStepsOutsideCards = 2;

} // namespace

CGat84FctHandler::CGat84FctHandler(std::vector<CGat84Info> cards)
    : CardSectionHandler(CardFamilies::kGat84, std::move(cards),
                         CardNumbering::derivedBlock(1000)) {}

int CGat84FctHandler::GetAddedSteps(int templateSteps) {
    return repeatedSectionSteps(templateSteps, kStepsOutsideCards);
}

void CGat84FctHandler::OnDataLine(std::string& line) {
    takeKind(line);
    replaceMarker(line, "{c}", cardIndex());
}

void CGat84FctHandler::OnBodyLine(std::string& line) {
    const CGat84Info& gat = card();
    if (rewriteVariable(line, kVariablePrefix, gat.cardNumber) ||
        rewriteBusAddress(line, " ", cardBusAddress()) ||
        rewriteLogicStatement(
            line, {.firstChannel = gat.channelBase, .statementSet = gat.cardNumber - 1})) {
        return;
    }
    if (gat.cardNumber >= 2) {
        renumberFailData(line);
    }
}

// A fail-data step number of the card section (1000 ... 9999) is raised like the step itself.
void CGat84FctHandler::renumberFailData(std::string& line) const {
    const auto step =
        startsWith(line, kFailData) ? numberAfterText(line, kFailData, 0) : std::nullopt;
    if (step && step->end - step->begin == kFailDataDigits && step->value >= 1000 &&
        step->value <= 9999) {
        replaceWithNumber(line, step->begin, step->end,
                              saturatingAdd(step->value, numberOffset()));
    }
}

} // namespace tarvik
