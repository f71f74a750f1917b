#include "tarvik/generation/module_sequences.h"

#include "common/files/file_ops.h"
#include "tarvik/config/card_families.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/documentation.h"
#include "tarvik/generation/project_file.h"
#include "tarvik/generation/run_data.h"
#include "tarvik/generation/run_inputs.h"
#include "tarvik/modules/module_handlers.h"

#include <algorithm>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>

namespace tarvik {

namespace fs = std::filesystem;

namespace {

// Lets one handler write one module: a handler that declines in Prepare leaves the module as
// it is in the template. A failed Process fails the step: the module would be incomplete, and
// the run discards the staging folder the module lies in.
bool processModule(CModuleFileHandler& handler, const ModuleFolders& folders,
                   const std::string& module) {
    const auto entry = folders.entry(module);
    if (!handler.Prepare()) {
        return !entry || kw::copyEntry(folders.templateFolder / *entry, folders.staging / *entry);
    }
    return entry && handler.Open(folders.templateFolder / *entry, folders.staging / *entry) &&
           handler.Process();
}

ModuleStep projectFileStep(const SequenceContext& c, bool cal) {
    const fs::path templatePath = cal ? c.inputs.templateCalPath : c.inputs.templateSelPath;
    const auto& deleteList = cal ? c.data.calDeleteList : c.data.selfTestDeleteList;
    ModuleStep step{20,
                    "Verarbeiten der Projekt-Datei",
                    c.inputs.folderName(cal, c.twin.ist) + ".860",
                    "rewriteProjectFile",
                    false,
                    "Die Projektdatei konnte nicht modifiziert werden!",
                    templateProjectName(templatePath) + ".860",
                    nullptr};
    // Steps outlive the context they were built from: keep copies, and the configuration,
    // which lives as long as the program.
    step.run = [inputs = c.inputs, &system = c.system, ist = c.twin.ist, cal, deleteList,
                source = step.source](const ModuleFolders& folders) {
        const auto entry = folders.entry(source);
        return entry && rewriteProjectFile(inputs, system, folders.templateFolder / *entry,
                                           folders.staging, cal, ist, deleteList);
    };
    return step;
}

ModuleStep documentationStep(const SequenceContext& c, bool cal, int percent) {
    ModuleStep step{percent,    "Verarbeiten der Dokumentation",
                    "SET2.SET", "rewriteDocumentation",
                    false,      "Die Dokumentation konnte nicht modifiziert werden!",
                    "SET2.SET", nullptr};
    step.run = [inputs = c.inputs, &system = c.system, stamp = c.stamp, ist = c.twin.ist,
                cal](const ModuleFolders& folders) {
        // Written under the template's own spelling of the name.
        const auto entry = folders.entry("SET2.SET");
        return entry && rewriteDocumentation(inputs, system, stamp, folders.templateFolder / *entry,
                                             folders.staging / *entry, cal, ist);
    };
    return step;
}

// Makes the handler of a step when the step runs; the arguments are copies, as steps outlive
// the context they were built from. A handler made without the twin flag writes the same
// module in both Testmappen of a kind.
using HandlerMaker = std::function<std::unique_ptr<CModuleFileHandler>()>;

struct HandlerRecipe {
    HandlerMaker make;
    bool sameInTwin;
};

template <typename Arg> const Arg& handlerArgument(const Arg& argument) {
    return argument;
}
bool handlerArgument(TwinFlag twin) {
    return twin.ist;
}

template <typename Handler, typename... Args> HandlerRecipe make(Args... args) {
    return {[args...] { return std::make_unique<Handler>(handlerArgument(args)...); },
            !(std::is_same_v<Args, TwinFlag> || ...)};
}

// Whether a step is passed over when its module is on the folder's delete list.
enum class Skip { never, whenDeleted };

// One module of a sequence: its share of the main bar, what the progress text and the
// failure message call it, the module file, the handler and how it is made.
struct GeneratorRow {
    int percent;
    const char* progressName; // "Verarbeiten des <progressName>"
    std::string_view module;
    const char* handlerName;
    const char* failureName; // "Das <failureName> konnte nicht modifiziert werden!"
    Skip skip;
    HandlerRecipe handler;
};

ModuleStep generatorStep(const GeneratorRow& row, const std::vector<std::string>& deleteList) {
    const std::string module(row.module);
    ModuleStep step{row.percent,
                    std::string("Verarbeiten des ") + row.progressName,
                    module,
                    row.handlerName,
                    row.skip == Skip::whenDeleted &&
                        std::find(deleteList.begin(), deleteList.end(), module) != deleteList.end(),
                    std::string("Das ") + row.failureName + " konnte nicht modifiziert werden!",
                    module,
                    nullptr};
    step.run = [module, make = row.handler.make](const ModuleFolders& folders) {
        const auto handler = make();
        return processModule(*handler, folders, module);
    };
    step.sameInTwin = row.handler.sameInTwin;
    return step;
}

// The project file, the documentation (at `documentationPercent`), then the rows in order.
std::vector<ModuleStep> sequence(const SequenceContext& c, bool cal, int documentationPercent,
                                 std::span<const GeneratorRow> rows) {
    std::vector<ModuleStep> steps;
    steps.push_back(projectFileStep(c, cal));
    steps.push_back(documentationStep(c, cal, documentationPercent));
    const auto& deleteList = cal ? c.data.calDeleteList : c.data.selfTestDeleteList;
    for (const GeneratorRow& row : rows) {
        steps.push_back(generatorStep(row, deleteList));
    }
    return steps;
}

int zupaMode(const CSystemInfo& system) {
    const CardInfo& zupa = system.slots[14];
    if (zupa.typeCode != CardType::Zupa) {
        return 0;
    }
    return zupa.variant == 1 ? 2 : 1;
}

} // namespace

std::vector<ModuleStep> selfTestSequence(const SequenceContext& c) {
    using namespace CardFamilies;
    const int type = c.system.systemType;
    const RunData& d = c.data;
    const Skip never = Skip::never;
    const GeneratorRow rows[] = {
        {25, "Netztest-Moduls", "verbindungstest.icn", "CNettestHandler", "Netztest-Modul", never,
         make<CNettestHandler>(type, CNettestJobList{})},
        {28, "QBT520-Bauteiltest-Moduls", "bauteiltest_qbt520.ict", "CQbtIctHandler",
         "QBT520-Bauteiltest-Modul", Skip::whenDeleted, make<CQbtIctHandler>(type)},
        {30, "QBT860-Bauteiltest-Moduls", "bauteiltest_qbt860.ict", "CQbtIctHandler",
         "QBT860-Bauteiltest-Modul", Skip::whenDeleted, make<CQbtIctHandler>(type)},
        {32, "QBT520-Funktionstest-Moduls", "qbt520.fct", "CTemplateFileHandler",
         "QBT520-Funktionstest-Modul", Skip::whenDeleted, make<CTemplateFileHandler>(type)},
        {35, "KVR-Funktionstest-Moduls", kKvr.module, "CKvrFctHandler", "KVR-Funktionstest-Modul",
         never, make<CKvrFctHandler>(d.kvrList, type)},
        {38, "TQD-Funktionstest-Moduls", kTqd.module, "CTqdFctHandler", "TQD-Funktionstest-Modul",
         never, make<CTqdFctHandler>(d.tqdList, type)},
        {41, "SEW-Funktionstest-Moduls", kSew.module, "CSewFctHandler", "SEW-Funktionstest-Modul",
         never, make<CSewFctHandler>(type, d.sewList)},
        {45, "Logik-Funktionstest-Moduls", kLog.module, "CLogFctHandler",
         "Logik-Funktionstest-Modul", never, make<CLogFctHandler>(d.logList, type)},
        {50, "GAT84-Funktionstest-Moduls", kGat84.module, "CGat84FctHandler",
         "GAT84-Funktionstest-Modul", never, make<CGat84FctHandler>(d.gat84List)},
        {55, "NORV-Funktionstest-Moduls", kNorv.module, "CNorvFctHandler",
         "NORV-Funktionstest-Modul", never, make<CNorvFctHandler>(d.norvList)},
        {60, "SEQ-Funktionstest-Moduls", kSeq.module, "CSeqFctHandler", "SEQ-Funktionstest-Modul",
         never, make<CSeqFctHandler>(type, d.seqList)},
        {65, "DWB-Funktionstest-Moduls", kDwb.module, "CDwbFctHandler", "DWB-Funktionstest-Modul",
         never, make<CDwbFctHandler>(d.dwbList, type == 945)},
        {70, "FJN-Funktionstest-Moduls", kFjn.module, "CFjnFctHandler", "FJN-Funktionstest-Modul",
         never, make<CFjnFctHandler>(d.fjnList)},
        {73, "JEL-Bauteiltest-Moduls", kJelComponentModule, "CJelHandler", "JEL-Bauteiltest-Modul",
         never, make<CJelHandler>(d.jelList)},
        {78, "JEL-Funktionstest-Moduls", kJel.module, "CJelHandler", "JEL-Funktionstest-Modul",
         never, make<CJelHandler>(d.jelList)},
        {80, "ZUPA-Funktionstest-Moduls", "zu_pa.fct", "CZupaFctHandler",
         "ZUPA-Funktionstest-Modul", never, make<CZupaFctHandler>(zupaMode(c.system))},
        {83, "YOT-Funktionstest-Moduls", kYot.module, "CYotFctHandler", "YOT-Funktionstest-Modul",
         never, make<CYotFctHandler>(d.yotList)},
        {85, "BAQ-Funktionstest-Moduls", kBaq.module, "CBaqFctHandler", "BAQ-Funktionstest-Modul",
         never, make<CBaqFctHandler>(d.baqList)},
        {86, "GIV-Funktionstest-Moduls", kGiv.module, "CGivFctHandler", "GIV-Funktionstest-Modul",
         never, make<CGivFctHandler>(d.givList)},
        {88, "Print_Cert-Funktionstest-Moduls", "Print_Cert.fct", "CPrintCertSelHandler",
         "Print_Cert-Kalibrier-Modul", never, make<CPrintCertSelHandler>(c.twin)},
        {90, "Reset-Moduls", "resettest0.rst", "CResetHandler", "Reset-Modul", never,
         make<CResetHandler>(d.resetList)},
    };
    return sequence(c, false, 23, rows);
}

std::vector<ModuleStep> calibrationSequence(const SequenceContext& c) {
    const int type = c.system.systemType;
    const TwinFlag ist = c.twin;
    const bool keithley = c.inputs.instrument == Instrument::Keithley2000;
    const bool keysight = c.inputs.instrument == Instrument::Keysight3458A;
    // A module on the calibration delete list is passed over.
    const Skip deleted = Skip::whenDeleted;
    const GeneratorRow rows[] = {
        {30, "Vortest-Moduls", type == 945 ? "vortest_945.fct" : "vortest.fct",
         "CCalPretestHandler", "Vortest-Modul", deleted, make<CCalPretestHandler>(ist)},
        {35, "Bauteiltest-Moduls", "bauteiltest0.ict", "CCalIctHandler", "Bauteiltest-Modul",
         deleted, make<CCalIctHandler>(type, ist, keysight)},
        {40, "Bauteile-Moduls", "bauteile.fct", "CCalFctHandler", "Bauteile-Modul", deleted,
         make<CCalFctHandler>(ist)},
        {45, "Bauteile-Moduls", "bauteile_3458.fct", "CCalFctHandler", "Bauteile-Modul (3458)",
         deleted, make<CCalFctHandler>(ist)},
        {50, "Istwerterfassungs-Moduls", "Istwerterfassung.fct", "CCalFct2Handler",
         "Istwerterfassungs-Modul", deleted, make<CCalFct2Handler>(ist)},
        {55, "Istwerterfassungs-Moduls", "Istwerterfassung_3458.fct", "CCalFct2Handler",
         "Istwerterfassungs-Modul (3458)", deleted, make<CCalFct2Handler>(ist)},
        // Not checked against the list: the handler declines without DWB cards.
        {60, "DWB-Kalibrier-Moduls", keithley ? "dwb_cal.fct" : "dwb_cal_3458.fct",
         "CDwbCalHandler", "DWB-Kalibrier-Modul", Skip::never,
         make<CDwbCalHandler>(c.data.dwbList, ist)},
        {65, "PEW860-Kalibrier-Moduls", keithley ? "pew860_cal.fct" : "pew860_cal_3458.fct",
         "CPew860CalHandler", "PEW860-Kalibrier-Modul", deleted, make<CPew860CalHandler>(ist)},
        {70, "Print_Cert-Kalibrier-Moduls", keithley ? "Print_Cert.fct" : "Print_Cert_3458.fct",
         "CPrintCertCalHandler", "Print_Cert-Kalibrier-Modul", deleted,
         make<CPrintCertCalHandler>(ist)},
    };
    return sequence(c, true, 25, rows);
}

} // namespace tarvik
