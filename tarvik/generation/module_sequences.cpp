#include "tarvik/generation/module_sequences.h"

#include "common/files/file_ops.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/documentation.h"
#include "tarvik/generation/project_file.h"
#include "tarvik/generation/run_data.h"
#include "tarvik/generation/run_inputs.h"
#include "tarvik/modules/module_handlers.h"

#include <memory>

namespace fs = std::filesystem;

namespace {

// Lets one handler rewrite one module: a handler that declines in Prepare leaves the module
// as copied. The module is looked up ignoring case, as templates made on Windows name files
// in any case. A failed Process fails the step: the module would be incomplete.
bool processModule(CModuleFileHandler& handler, const fs::path& folder, const std::string& module) {
    if (!handler.Prepare()) {
        return true;
    }
    const auto path = kw::findCaseInsensitive(folder, module);
    return path && handler.Open(*path) && handler.Process();
}

// A step whose handler is made when the step runs and destroyed right after it.
template <typename Handler, typename... Args>
ModuleStep handlerStep(int percent, std::string progressText, std::string module,
                       const char* handlerName, std::string failureMessage, Args... args) {
    ModuleStep step{percent, std::move(progressText),   module, handlerName,
                    false,   std::move(failureMessage), nullptr};
    step.run = [module, args...](const fs::path& folder) {
        auto handler = std::make_unique<Handler>(args...);
        return processModule(*handler, folder, module);
    };
    return step;
}

ModuleStep projectFileStep(const SequenceContext& c, bool cal) {
    const fs::path templatePath = cal ? c.inputs.templateCalPath : c.inputs.templateSelPath;
    const auto& deleteList = cal ? c.data.calDeleteList : c.data.selfTestDeleteList;
    ModuleStep step{20,
                    "Verarbeiten der Projekt-Datei",
                    c.inputs.folderName(cal, c.ist) + ".860",
                    "rewriteProjectFile",
                    false,
                    "Die Projektdatei konnte nicht modifiziert werden!",
                    nullptr};
    // Steps outlive the context they were built from: keep copies, and the configuration,
    // which lives as long as the program.
    step.run = [inputs = c.inputs, &system = c.system, ist = c.ist, templatePath, cal,
                deleteList](const fs::path& folder) {
        return rewriteProjectFile(inputs, system, folder, templatePath, cal, ist, deleteList);
    };
    return step;
}

ModuleStep documentationStep(const SequenceContext& c, bool cal, int percent) {
    const fs::path templatePath = cal ? c.inputs.templateCalPath : c.inputs.templateSelPath;
    ModuleStep step{percent,    "Verarbeiten der Dokumentation",
                    "SET2.SET", "rewriteDocumentation",
                    false,      "Die Dokumentation konnte nicht modifiziert werden!",
                    nullptr};
    step.run = [inputs = c.inputs, &system = c.system, stamp = c.stamp, ist = c.ist, templatePath,
                cal](const fs::path& folder) {
        return rewriteDocumentation(inputs, system, stamp, templatePath, folder, cal, ist);
    };
    return step;
}

int zupaMode(const CSystemInfo& system) {
    const CardInfo& zupa = system.slots[14];
    if (zupa.typeCode != CardType::Zupa) {
        return 0;
    }
    return zupa.variant == 1 ? 2 : 1;
}

std::string failed(const std::string& what) {
    return "Das " + what + " konnte nicht modifiziert werden!";
}

} // namespace

std::vector<ModuleStep> selfTestSequence(const SequenceContext& c) {
    const int type = c.system.systemType;
    const RunData& d = c.data;
    std::vector<ModuleStep> steps;
    steps.push_back(projectFileStep(c, false));
    steps.push_back(documentationStep(c, false, 23));
    steps.push_back(handlerStep<CNettestHandler>(
        25, "Verarbeiten des Netztest-Moduls", "verbindungstest.icn", "CNettestHandler",
        failed("Netztest-Modul"), type, CNettestJobList{}));
    steps.push_back(handlerStep<CQbtIctHandler>(28, "Verarbeiten des QBT520-Bauteiltest-Moduls",
                                                "bauteiltest_qbt520.ict", "CQbtIctHandler",
                                                failed("QBT520-Bauteiltest-Modul"), type));
    steps.back().skip = d.isDeletedFromSelfTest(steps.back().module);
    steps.push_back(handlerStep<CQbtIctHandler>(30, "Verarbeiten des QBT860-Bauteiltest-Moduls",
                                                "bauteiltest_qbt860.ict", "CQbtIctHandler",
                                                failed("QBT860-Bauteiltest-Modul"), type));
    steps.back().skip = d.isDeletedFromSelfTest(steps.back().module);
    steps.push_back(handlerStep<CTemplateFileHandler>(
        32, "Verarbeiten des QBT520-Funktionstest-Moduls", "qbt520.fct", "CTemplateFileHandler",
        failed("QBT520-Funktionstest-Modul"), type));
    steps.back().skip = d.isDeletedFromSelfTest(steps.back().module);
    steps.push_back(handlerStep<CKvrFctHandler>(
        35, "Verarbeiten des KVR-Funktionstest-Moduls", "kvr.fct", "CKvrFctHandler",
        failed("KVR-Funktionstest-Modul"), d.kvrList, type));
    steps.push_back(handlerStep<CTqdFctHandler>(
        38, "Verarbeiten des TQD-Funktionstest-Moduls", "tqd.fct", "CTqdFctHandler",
        failed("TQD-Funktionstest-Modul"), d.tqdList, type));
    steps.push_back(handlerStep<CSewFctHandler>(
        41, "Verarbeiten des SEW-Funktionstest-Moduls", "sew.fct", "CSewFctHandler",
        failed("SEW-Funktionstest-Modul"), type, d.sewList));
    steps.push_back(handlerStep<CLogFctHandler>(
        45, "Verarbeiten des Logik-Funktionstest-Moduls", "logik.fct", "CLogFctHandler",
        failed("Logik-Funktionstest-Modul"), d.logList, type));
    steps.push_back(handlerStep<CGat84FctHandler>(
        50, "Verarbeiten des GAT84-Funktionstest-Moduls", "gat84.fct", "CGat84FctHandler",
        failed("GAT84-Funktionstest-Modul"), d.gat84List));
    steps.push_back(handlerStep<CNorvFctHandler>(55, "Verarbeiten des NORV-Funktionstest-Moduls",
                                                 "norv.fct", "CNorvFctHandler",
                                                 failed("NORV-Funktionstest-Modul"), d.norvList));
    steps.push_back(handlerStep<CSeqFctHandler>(
        60, "Verarbeiten des SEQ-Funktionstest-Moduls", "seq.fct", "CSeqFctHandler",
        failed("SEQ-Funktionstest-Modul"), type, d.seqList));
    steps.push_back(handlerStep<CDwbFctHandler>(
        65, "Verarbeiten des DWB-Funktionstest-Moduls", "dwb.fct", "CDwbFctHandler",
        failed("DWB-Funktionstest-Modul"), d.dwbList, type == 945));
    steps.push_back(handlerStep<CFjnFctHandler>(70, "Verarbeiten des FJN-Funktionstest-Moduls",
                                                "fjn.fct", "CFjnFctHandler",
                                                failed("FJN-Funktionstest-Modul"), d.fjnList));
    steps.push_back(handlerStep<CJelHandler>(73, "Verarbeiten des JEL-Bauteiltest-Moduls",
                                             "jel_ict.ict", "CJelHandler",
                                             failed("JEL-Bauteiltest-Modul"), d.jelList));
    steps.push_back(handlerStep<CJelHandler>(78, "Verarbeiten des JEL-Funktionstest-Moduls",
                                             "jel_fkt.fct", "CJelHandler",
                                             failed("JEL-Funktionstest-Modul"), d.jelList));
    steps.push_back(handlerStep<CZupaFctHandler>(
        80, "Verarbeiten des ZUPA-Funktionstest-Moduls", "zu_pa.fct", "CZupaFctHandler",
        failed("ZUPA-Funktionstest-Modul"), zupaMode(c.system)));
    steps.push_back(handlerStep<CYotFctHandler>(83, "Verarbeiten des YOT-Funktionstest-Moduls",
                                                "yot.fct", "CYotFctHandler",
                                                failed("YOT-Funktionstest-Modul"), d.yotList));
    steps.push_back(handlerStep<CBaqFctHandler>(85, "Verarbeiten des BAQ-Funktionstest-Moduls",
                                                "baq.fct", "CBaqFctHandler",
                                                failed("BAQ-Funktionstest-Modul"), d.baqList));
    steps.push_back(handlerStep<CGivFctHandler>(86, "Verarbeiten des GIV-Funktionstest-Moduls",
                                                "giv.fct", "CGivFctHandler",
                                                failed("GIV-Funktionstest-Modul"), d.givList));
    steps.push_back(handlerStep<CPrintCertSelHandler>(
        88, "Verarbeiten des Print_Cert-Funktionstest-Moduls", "Print_Cert.fct",
        "CPrintCertSelHandler", failed("Print_Cert-Kalibrier-Modul"), c.ist));
    steps.push_back(handlerStep<CResetHandler>(90, "Verarbeiten des Reset-Moduls", "resettest0.rst",
                                               "CResetHandler", failed("Reset-Modul"),
                                               d.resetList));
    return steps;
}

std::vector<ModuleStep> calibrationSequence(const SequenceContext& c) {
    const int type = c.system.systemType;
    const RunData& d = c.data;
    const bool keithley = c.inputs.instrument == Instrument::Keithley2000;
    // A module on the calibration delete list is passed over.
    const auto unlessDeleted = [&d](ModuleStep step) {
        step.skip = d.isDeletedFromCal(step.module);
        return step;
    };
    std::vector<ModuleStep> steps;
    steps.push_back(projectFileStep(c, true));
    steps.push_back(documentationStep(c, true, 25));
    steps.push_back(unlessDeleted(handlerStep<CCalPretestHandler>(
        30, "Verarbeiten des Vortest-Moduls", type == 945 ? "vortest_945.fct" : "vortest.fct",
        "CCalPretestHandler", failed("Vortest-Modul"), c.ist)));
    steps.push_back(unlessDeleted(
        handlerStep<CCalIctHandler>(35, "Verarbeiten des Bauteiltest-Moduls", "bauteiltest0.ict",
                                    "CCalIctHandler", failed("Bauteiltest-Modul"), type, c.ist,
                                    c.inputs.instrument == Instrument::Keysight3458A)));
    steps.push_back(unlessDeleted(handlerStep<CCalFctHandler>(40, "Verarbeiten des Bauteile-Moduls",
                                                              "bauteile.fct", "CCalFctHandler",
                                                              failed("Bauteile-Modul"), c.ist)));
    steps.push_back(unlessDeleted(
        handlerStep<CCalFctHandler>(45, "Verarbeiten des Bauteile-Moduls", "bauteile_3458.fct",
                                    "CCalFctHandler", failed("Bauteile-Modul (3458)"), c.ist)));
    steps.push_back(unlessDeleted(handlerStep<CCalFct2Handler>(
        50, "Verarbeiten des Istwerterfassungs-Moduls", "Istwerterfassung.fct", "CCalFct2Handler",
        failed("Istwerterfassungs-Modul"), c.ist)));
    steps.push_back(unlessDeleted(handlerStep<CCalFct2Handler>(
        55, "Verarbeiten des Istwerterfassungs-Moduls", "Istwerterfassung_3458.fct",
        "CCalFct2Handler", failed("Istwerterfassungs-Modul (3458)"), c.ist)));
    // The DWB calibration module is not checked against the list: its handler declines
    // without DWB cards.
    steps.push_back(handlerStep<CDwbCalHandler>(
        60, "Verarbeiten des DWB-Kalibrier-Moduls", keithley ? "dwb_cal.fct" : "dwb_cal_3458.fct",
        "CDwbCalHandler", failed("DWB-Kalibrier-Modul"), d.dwbList, c.ist));
    steps.push_back(unlessDeleted(handlerStep<CPew860CalHandler>(
        65, "Verarbeiten des PEW860-Kalibrier-Moduls",
        keithley ? "pew860_cal.fct" : "pew860_cal_3458.fct", "CPew860CalHandler",
        failed("PEW860-Kalibrier-Modul"), c.ist)));
    steps.push_back(unlessDeleted(handlerStep<CPrintCertCalHandler>(
        70, "Verarbeiten des Print_Cert-Kalibrier-Moduls",
        keithley ? "Print_Cert.fct" : "Print_Cert_3458.fct", "CPrintCertCalHandler",
        failed("Print_Cert-Kalibrier-Modul"), c.ist)));
    return steps;
}
