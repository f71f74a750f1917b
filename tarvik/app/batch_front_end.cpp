#include "tarvik/app/batch_front_end.h"

#include "common/devices/devices.h"
#include "common/devices/libusb_backend.h"
#include "common/text/line_file.h"
#include "tarvik/app/batch_options.h"
#include "tarvik/app/configuration_list.h"
#include "tarvik/app/start_sequence.h"
#include "tarvik/app/terminal_ui.h"
#include "tarvik/config/read_from_hardware.h"
#include "tarvik/config/system_info.h"
#include "tarvik/config/testsystem_connection.h"
#include "tarvik/generation/generation_run.h"
#include "tarvik/generation/target_directory.h"

#include <ostream>
#include <sstream>

namespace tarvik {

namespace fs = std::filesystem;

namespace {

constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

// The user said No to composing the configuration by hand.
struct NoSystem {};

using Edit = BatchOptions::Edit;
using EditKind = BatchOptions::EditKind;

std::string joinQuoted(const std::vector<std::string>& texts) {
    std::string joined;
    for (const auto& text : texts) {
        joined += (joined.empty() ? "\"" : ", \"") + text + "\"";
    }
    return joined;
}

int shownPositionOfAddress(CSystemInfo& system, int cardAddress) {
    for (int i = 0; i < system.visibleCount(); ++i) {
        if (system.positions[i].cardAddress == cardAddress) {
            return i;
        }
    }
    return -1;
}

std::optional<CardInfo> parseTriple(const std::string& text) {
    std::istringstream in(text);
    std::string type, variant, extra;
    if (!std::getline(in, type, ',') || !std::getline(in, variant, ',') ||
        !std::getline(in, extra)) {
        return std::nullopt;
    }
    const auto t = parseOptionInt(type), v = parseOptionInt(variant), e = parseOptionInt(extra);
    if (!t || !v || !e) {
        return std::nullopt;
    }
    return CardInfo{static_cast<CardType>(*t), *v, *e};
}

void applyCard(CSystemInfo& system, const Edit& edit) {
    const auto address = parseOptionInt(edit.key);
    if (!address || *address < 0 || *address >= CSystemInfo::kSlotCount) {
        throw BatchError("--card: \"" + edit.key + "\" ist keine Kartenadresse von 0 bis 63");
    }
    if (shownPositionOfAddress(system, *address) < 0) {
        throw BatchError("--card: Die Kartenadresse " + edit.key +
                         " gehört zu keiner angezeigten Position");
    }
    if (const auto triple = parseTriple(edit.value)) {
        system.slots[*address] = internCardInfo(triple->typeCode, triple->variant, triple->extra);
        return;
    }
    const auto texts = cardChoiceTexts(*address);
    for (int k = 0; k < static_cast<int>(texts.size()); ++k) {
        if (texts[k] == edit.value) {
            system.slots[*address] = *cardChoice(*address, k);
            return;
        }
    }
    throw BatchError("--card: \"" + edit.value + "\" ist keine Karte für die Kartenadresse " +
                     edit.key + ". Möglich: " + joinQuoted(texts));
}

void applyUsage(CSystemInfo& system, const Edit& edit) {
    int index = -1;
    for (int i = 0; i < system.visibleCount(); ++i) {
        if (system.positionName(i) == edit.key) {
            index = i;
        }
    }
    if (index < 0) {
        throw BatchError("--usage: Es gibt keine angezeigte Position \"" + edit.key + "\"");
    }
    std::vector<std::string> texts;
    for (int k = 0; !system.usageChoice(index, k).empty(); ++k) {
        texts.push_back(system.usageChoice(index, k));
        if (texts.back() == edit.value) {
            system.setUsage(index, k);
            return;
        }
    }
    if (texts.empty()) {
        throw BatchError("--usage: Die Position " + edit.key + " bietet keine Verwendung an");
    }
    throw BatchError("--usage: \"" + edit.value + "\" ist keine Verwendung der Position " +
                     edit.key + ". Möglich: " + joinQuoted(texts));
}

void applyEdit(CSystemInfo& system, const Edit& edit) {
    switch (edit.kind) {
    case EditKind::Card: applyCard(system, edit); break;
    case EditKind::Usage: applyUsage(system, edit); break;
    case EditKind::AddPosition:
        if (!system.canAddVisiblePosition()) {
            throw BatchError("--add-position: Es kann keine weitere Position angezeigt werden");
        }
        system.addVisiblePosition();
        break;
    }
}

// A tarvik.sysinfo holds one short line per card address: a few kilobytes at most. A larger
// file (or a device such as /dev/zero) is not read.
constexpr std::size_t kMaxSysInfoBytes = 64 * 1024;

// Fills the slots from a tarvik.sysinfo: "address typeCode variant" per line.
void loadSysInfo(CSystemInfo& system, const std::string& file) {
    kw::ReadProblem problem;
    const auto lines = kw::readLineFile(file, kMaxSysInfoBytes, &problem);
    if (!lines) {
        throw BatchError("--from-sysinfo: Die Datei \"" + file + "\" kann nicht gelesen werden: " +
                         kw::readProblemText(problem, kMaxSysInfoBytes));
    }
    system.slots = {};
    int lineNumber = 0;
    for (const std::string& line : *lines) {
        ++lineNumber;
        std::istringstream in(line);
        int address = -1, type = 0, variant = 0;
        std::string rest;
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        if (!(in >> address >> type >> variant) || (in >> rest) || address < 0 ||
            address >= CSystemInfo::kSlotCount) {
            throw BatchError("--from-sysinfo: Zeile " + std::to_string(lineNumber) + " von \"" +
                             file + "\" ist keine Zeile \"Adresse Typ Variante\"");
        }
        system.slots[address] = internCardInfo(static_cast<CardType>(type), variant, 0);
    }
}

// Reads the configuration from a switched-on system, or composes it from the options when
// the hardware search is off, a sysinfo file is given, or none answers and the user agrees.
void startConfiguration(CSystemInfo& system, TestsystemConnection& connection,
                        const BatchOptions& options, std::ostream& err) {
    const bool search = options.searchHardware && !options.fromSysInfo;
    if (search && connection.connect()) {
        if (!readFromHardware(system, connection)) {
            err << "tarvik: " << kHardwareReadFailedText << '\n';
            throw NoSystem{};
        }
        if (options.systemGiven) {
            err << "tarvik: Hinweis: Der Ausbau wurde vom System gelesen; --system und "
                   "--expansion gelten nicht.\n";
        }
        return;
    }
    if (search) {
        // What kept the adapters away (an untrusted device folder, a device held by another
        // program) and how real adapters are made known, before the question that says none
        // answered.
        for (const std::string& problem : kw::takeDeviceProblems()) {
            err << "tarvik: " << problem << ".\n";
        }
        if (const std::string hint = kw::usbAdapterHint(); !hint.empty()) {
            err << "tarvik: " << hint << '\n';
        }
        err << kNoSystemQuestion << (options.yes ? " Ja (--yes)\n" : " Nein\n");
        if (!options.yes) {
            throw NoSystem{};
        }
    }
    system.setManual(options.systemType, options.expansion >= 1, options.expansion == 2,
                     options.newDecoder);
    if (options.fromSysInfo) {
        loadSysInfo(system, *options.fromSysInfo);
    }
}

void composeConfiguration(CSystemInfo& system, TestsystemConnection& connection,
                          const BatchOptions& options, std::ostream& err) {
    startConfiguration(system, connection, options, err);
    for (const Edit& edit : options.edits) {
        applyEdit(system, edit);
    }
    // The question about the external supply is only asked for 860 systems.
    if (options.xab60v && system.systemType != 945 && system.systemType != 930) {
        system.hasXab60V = true;
    }
}

RunInputs runInputs(const BatchOptions& options, const BatchEnvironment& environment) {
    RunInputs inputs;
    inputs.setProgramFolder(options.templates ? fs::path(*options.templates)
                                              : environment.programFolder);
    inputs.targetDirectory = options.target ? fs::path(*options.target) : defaultTargetDirectory();
    inputs.projectName = options.name;
    inputs.generateCal = options.cal;
    inputs.instrument = options.instrument;
    return inputs;
}

// A name the generation would refuse is a bad value: said before anything is read or written.
void checkName(const BatchOptions& options) {
    RunInputs inputs;
    inputs.targetDirectory = "."; // only the name counts here
    inputs.projectName = options.name;
    inputs.generateCal = options.cal;
    if (const std::string problem = inputs.nameProblem(); !problem.empty()) {
        throw BatchError("--name: " + problem);
    }
}

bool templatesPresent(const RunInputs& inputs, UserInterface& ui) {
    std::error_code error;
    if (!fs::is_directory(inputs.templateSelPath, error)) {
        ui.message("Die Vorlagen-Testmappe für den Selbsttest ist nicht vorhanden!",
                   UserInterface::Icon::Warning);
        return false;
    }
    if (!fs::is_directory(inputs.templateCalPath, error)) {
        ui.message("Die Vorlagen-Testmappe für die Kalibrierung ist nicht vorhanden!",
                   UserInterface::Icon::Warning);
        return false;
    }
    return true;
}

void printDryRun(GenerationRun& run, const RunInputs& inputs, std::ostream& out) {
    run.prepare();
    for (const FolderRun& folder : run.folderRuns()) {
        const auto& deleteList =
            folder.cal ? run.runData().calDeleteList : run.runData().selfTestDeleteList;
        out << "Testmappe " << inputs.folderPath(folder.cal, folder.ist).string() << '\n';
        out << "  Vorlage " << (folder.cal ? inputs.templateCalPath : inputs.templateSelPath).string()
            << '\n';
        for (const std::string& name : deleteList) {
            out << "  löschen " << name << '\n';
        }
        for (const ModuleStep& step : run.moduleSteps(folder)) {
            out << "  " << (step.skip ? "übergehen " : "bearbeiten ") << step.module << " ("
                << step.handlerName << ")\n";
        }
    }
}

int generate(CSystemInfo& system, const BatchOptions& options,
             const BatchEnvironment& environment, std::ostream& out, std::ostream& err) {
    const RunInputs inputs = runInputs(options, environment);
    TerminalUi ui(err, options.yes, environment.progressOnTerminal && !options.dryRun);
    if (!templatesPresent(inputs, ui)) {
        return kFailed;
    }
    GenerationRun run(system, inputs, ui, currentStamp(inputs.programFolder));
    if (options.dryRun) {
        printDryRun(run, inputs, out);
        return 0;
    }
    if (!generateTestmappen(system, inputs, ui)) {
        return kFailed;
    }
    for (const FolderRun& folder : run.folderRuns()) {
        out << inputs.folderPath(folder.cal, folder.ist).string() << '\n';
    }
    return 0;
}

} // namespace

std::vector<std::string> configurationRows(CSystemInfo& system) {
    std::vector<std::string> rows;
    for (int i = 0; i < system.visibleCount(); ++i) {
        const RowTexts texts = rowTexts(system, i);
        rows.push_back(texts.position + "\t" + texts.card + "\t" + texts.detail + "\t" +
                       texts.module);
    }
    return rows;
}

int runBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
             const BatchEnvironment& environment) {
    try {
        const BatchOptions options = parseBatchOptions(arguments);
        if (options.help) {
            out << kBatchUsageText;
            return 0;
        }
        if (!options.list) {
            checkName(options);
        }
        // The connection and its adapter live until the run ends.
        TestsystemConnection connection;
        CSystemInfo system;
        composeConfiguration(system, connection, options, err);
        if (options.list) {
            for (const auto& row : configurationRows(system)) {
                out << row << '\n';
            }
            return 0;
        }
        return generate(system, options, environment, out, err);
    } catch (const BatchError& error) {
        err << "tarvik: " << error.what() << '\n' << kBatchUsageText;
        return kBadUsage;
    } catch (const NoSystem&) {
        return kFailed;
    }
}

} // namespace tarvik
