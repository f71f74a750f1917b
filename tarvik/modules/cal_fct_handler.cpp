#include "tarvik/modules/cal_fct_handler.h"

namespace tarvik {

namespace {

// Steps the sample and installed templates mark for dropping: (ist, not ist).
constexpr int kCalSteps[] = {-48, 0};
constexpr int kCal2Steps[] = {-51, -1};
constexpr int kPrintCertSelSteps[] = {-5, -1};
constexpr int kOneStep = -1;

int stepsFor(const int (&table)[2], bool ist) {
    return ist ? table[0] : table[1];
}

} // namespace

CCalFctHandler::CCalFctHandler(bool ist)
    : CConditionalStepHandler(stepsFor(kCalSteps, ist), ist, false) {}

CPew860CalHandler::CPew860CalHandler(bool ist)
    : CConditionalStepHandler(stepsFor(kCalSteps, ist), ist, false) {}

CCalFct2Handler::CCalFct2Handler(bool ist)
    : CConditionalStepHandler(stepsFor(kCal2Steps, ist), ist, true) {}

CPrintCertSelHandler::CPrintCertSelHandler(bool ist)
    : CConditionalStepHandler(stepsFor(kPrintCertSelSteps, ist), ist, true) {}

CPrintCertCalHandler::CPrintCertCalHandler(bool ist)
    : CConditionalStepHandler(kOneStep, ist, true) {}

CCalPretestHandler::CCalPretestHandler(bool ist) : CConditionalStepHandler(kOneStep, ist, true) {}

} // namespace tarvik
