#pragma once

// The calibration, certificate and pretest modules whose content depends only on the kind of
// Testmappe: each handler drops the steps marked for the other kind and announces how many
// steps that removes from the templates' counts.
//
//   handler               module(s)                           drops                 added steps
//   CCalFctHandler        bauteile(_3458).fct                 {IGNORE_IST} if ist   ist ? -48 : 0
//   CPew860CalHandler     pew860_cal(_3458).fct               {IGNORE_IST} if ist   ist ? -48 : 0
//   CCalFct2Handler       Istwerterfassung(_3458).fct         {IGNORE_IST} if ist,  ist ? -51 : -1
//                                                             {IGNORE_CAL} if not
//   CPrintCertSelHandler  Print_Cert.fct (self-test)          as CCalFct2Handler    ist ? -5 : -1
//   CPrintCertCalHandler  Print_Cert(_3458).fct (calibration) as CCalFct2Handler    -1
//   CCalPretestHandler    vortest(_945).fct                   as CCalFct2Handler    -1

#include "tarvik/modules/conditional_steps.h"
#include "tarvik/modules/module_file_handler.h"

namespace tarvik {

// Shared mechanics of the handlers above: "{IGNORE_IST}" drops a step of the actual-value
// twin, "{IGNORE_CAL}" (when the handler knows it) one of the other folder; the number of
// added steps is fixed per handler and folder kind.
class CConditionalStepHandler : public CModuleFileHandler {
public:
    bool Prepare() override;

protected:
    CConditionalStepHandler(int addedSteps, bool ist, bool withCalMarker);

    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

private:
    ConditionalSteps m_conditions;
    int m_addedSteps;
};

class CCalFctHandler : public CConditionalStepHandler {
public:
    explicit CCalFctHandler(bool ist);
};

class CPew860CalHandler : public CConditionalStepHandler {
public:
    explicit CPew860CalHandler(bool ist);
};

class CCalFct2Handler : public CConditionalStepHandler {
public:
    explicit CCalFct2Handler(bool ist);
};

class CPrintCertSelHandler : public CConditionalStepHandler {
public:
    explicit CPrintCertSelHandler(bool ist);
};

class CPrintCertCalHandler : public CConditionalStepHandler {
public:
    explicit CPrintCertCalHandler(bool ist);
};

class CCalPretestHandler : public CConditionalStepHandler {
public:
    explicit CCalPretestHandler(bool ist);
};

} // namespace tarvik
