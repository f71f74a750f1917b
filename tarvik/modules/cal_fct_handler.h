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

namespace tarvik {

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
