#include "tarvik/generation/generation_run.h"

#include "common/files/file_ops.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/user_interface.h"
#include "tarvik/modules/prog_handler.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace {

using Icon = UserInterface::Icon;
using Buttons = UserInterface::Buttons;

const char* const kMissingName = "Bitte geben Sie den Speicherort und die Bezeichnung für die "
                                 "zu generierende(n) Testmappe an!";
const char* const kCannotDeleteChecked = "Eine vorhandene Testmappe konnte nicht gelöscht werden!";
const char* const kCannotDeleteExisting = "Die vorhandene Testmappe konnte nicht gelöscht werden!";
const char* const kCannotCreate = "Die Testmappe konnte nicht angelegt werden!";
const char* const kCannotStoreSysInfo =
    "Die Systeminformation konnte nicht in der Testmappe hinterlegt werden!";
const char* const kSuccess = "Die Selbsttest-Testmappen wurden erfolgreich generiert.";

// Moves the detail bar while a module generator writes its steps.
class DetailProgress : public CProgHandler {
public:
    explicit DetailProgress(UserInterface& ui) : m_ui(ui) {}
    void report(int done, int total) override { m_ui.detailReport(done, total); }

private:
    UserInterface& m_ui;
};

std::string fileExistsMessage(const fs::path& path) {
    return "Es existiert eine Datei namens \"" + path.string() +
           "\"!\nDie Generierung wird abgebrochen!";
}

std::string templateTargetMessage(const fs::path& path) {
    return "Das Verzeichnis \"" + path.string() +
           "\" enthält eine Vorlagen-Testmappe und kann nicht als Testmappe verwendet werden!\n"
           "Die Generierung wird abgebrochen!";
}

std::string folderExistsQuestion(const fs::path& path) {
    return "Das Verzeichnis \"" + path.string() +
           "\" existiert bereits und wird vor der Generierung gelöscht!";
}

bool pathExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// Whether a path is the folder or lies inside it, compared after resolving links and "..".
bool isWithin(const fs::path& path, const fs::path& folder) {
    std::error_code error;
    const fs::path inner = fs::weakly_canonical(path, error);
    const fs::path outer = fs::weakly_canonical(folder, error);
    if (error || outer.empty()) {
        return false;
    }
    const auto [innerPart, outerPart] =
        std::mismatch(inner.begin(), inner.end(), outer.begin(), outer.end());
    return outerPart == outer.end();
}

bool isDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(fs::symlink_status(path, error));
}

// What the delete list takes out of a fresh copy of the template, found as the deletion would
// find it in the copy.
std::vector<ModuleDeletion> plannedDeletions(const fs::path& templateFolder,
                                             const std::vector<std::string>& deleteList) {
    std::vector<std::string> names = kw::entryNames(templateFolder);
    std::vector<ModuleDeletion> deletions;
    for (const std::string& module : deleteList) {
        const auto entry = kw::matchCaseInsensitive(names, module);
        if (!entry) {
            continue;
        }
        std::error_code error;
        deletions.push_back({module, *entry, fs::is_directory(templateFolder / *entry, error)});
        names.erase(std::find(names.begin(), names.end(), *entry));
    }
    return deletions;
}

} // namespace

GenerationRun::GenerationRun(CSystemInfo& system, const RunInputs& inputs, UserInterface& ui,
                             GenerationStamp stamp)
    : m_system(system), m_inputs(inputs), m_ui(ui), m_stamp(std::move(stamp)) {}

std::vector<FolderRun> GenerationRun::folderRuns() const {
    std::vector<FolderRun> runs = {{false, false, "Testsystem-Selbsttest-Testmappe"},
                                   {false, true, "Testsystem-Istwertaufnahme-Testmappe"}};
    if (m_inputs.generateCal) {
        runs.push_back({true, false, "Selbsttest-Kalibrier-Testmappe"});
        runs.push_back({true, true, "Selbsttest-Istwertaufnahme-Testmappe"});
    }
    return runs;
}

fs::path GenerationRun::stagingPath(bool cal, bool ist) const {
    return m_inputs.targetDirectory / (".TM_" + m_inputs.folderName(cal, ist) + ".tarvik-staging");
}

bool GenerationRun::inputsAreUsable() const {
    // The name becomes part of a path: it must stay one folder inside the target directory.
    // "TM_" alone would leave the project files without a name (".860").
    return !m_inputs.targetDirectory.empty() && kw::isSafeFileName(m_inputs.projectName) &&
           !m_inputs.folderName(false, false).empty();
}

void GenerationRun::prepare() {
    m_data = prepareRunData(m_system, m_inputs.instrument, m_ui);
}

std::vector<ModuleStep> GenerationRun::moduleSteps(const FolderRun& run) const {
    const SequenceContext context{m_inputs, m_system, m_data, m_stamp, run.ist};
    return run.cal ? calibrationSequence(context) : selfTestSequence(context);
}

bool GenerationRun::generate() {
    if (!inputsAreUsable()) {
        m_ui.message(kMissingName, Icon::Warning);
        return false;
    }
    if (!checkTargetFolders()) {
        return false;
    }
    DetailProgress progress(m_ui);
    const ScopedProgHandler registration(&progress);
    prepare();
    bool succeeded = true;
    for (const FolderRun& run : folderRuns()) {
        if (!generateFolder(run)) {
            succeeded = false;
            break;
        }
        m_ui.hideProgress();
    }
    if (succeeded) {
        m_ui.message(kSuccess, Icon::Information);
    }
    m_ui.endProgress();
    return succeeded;
}

bool GenerationRun::checkTargetFolders() {
    // A Testmappe named like a template in the program folder would replace the template
    // itself (target directory = program folder, name "SEL_TEMPLATE"): refused outright.
    for (const FolderRun& run : folderRuns()) {
        const fs::path target = m_inputs.folderPath(run.cal, run.ist);
        if (isWithin(m_inputs.templateSelPath, target) ||
            isWithin(m_inputs.templateCalPath, target)) {
            m_ui.message(templateTargetMessage(target), Icon::Warning);
            return false;
        }
    }
    std::vector<fs::path> existing;
    for (const FolderRun& run : folderRuns()) {
        if (pathExists(m_inputs.folderPath(run.cal, run.ist))) {
            existing.push_back(m_inputs.folderPath(run.cal, run.ist));
        }
    }
    for (auto it = existing.rbegin(); it != existing.rend(); ++it) {
        if (!isDirectory(*it)) {
            m_ui.message(fileExistsMessage(*it), Icon::Warning);
            return false;
        }
    }
    if (existing.empty()) {
        return true;
    }
    std::string question;
    if (existing.size() == 1) {
        question = folderExistsQuestion(existing.front());
    } else {
        question = "Folgende Verzeichnisse existieren bereits und werden vor der Generierung "
                   "gelöscht:\n\n";
        for (const fs::path& path : existing) {
            question += path.string() + "\n";
        }
    }
    if (!m_ui.question(question, Buttons::OkCancel)) {
        return false;
    }
    for (const fs::path& path : existing) {
        if (!kw::removeTree(path)) {
            m_ui.message(kCannotDeleteChecked, Icon::Warning);
            return false;
        }
    }
    return true;
}

bool GenerationRun::failRun(const fs::path& staging, const std::string& message) {
    kw::removeTree(staging);
    m_ui.hideProgress();
    m_ui.message(message, Icon::Warning);
    return false;
}

bool GenerationRun::removeExistingTarget(const fs::path& target) {
    m_ui.hideProgress();
    if (!isDirectory(target)) {
        m_ui.message(fileExistsMessage(target), Icon::Warning);
        return false;
    }
    if (!m_ui.question(folderExistsQuestion(target), Buttons::OkCancel)) {
        return false;
    }
    m_ui.setStep("Löschen der vorhandenen Testmappe", 5);
    if (!kw::removeTree(target)) {
        m_ui.message(kCannotDeleteExisting, Icon::Warning);
        return false;
    }
    return true;
}

bool GenerationRun::deleteModules(const fs::path& folder,
                                  const std::vector<ModuleDeletion>& deletions,
                                  std::string& failure) {
    for (const ModuleDeletion& deletion : deletions) {
        std::error_code error;
        if (deletion.isFolder && !fs::remove(folder / deletion.entry, error)) {
            failure = "Das Modul \"" + deletion.module + "\" konnte nicht gelöscht werden!";
            return false;
        }
    }
    return true;
}

bool GenerationRun::runModuleSteps(const FolderRun& run, const fs::path& folder,
                                   std::string& failure) {
    for (const ModuleStep& step : moduleSteps(run)) {
        // Every row of the order moves the bar, also one whose module this folder does not hold.
        m_ui.setStep(step.progressText, step.percent);
        if (step.skip) {
            continue;
        }
        if (!step.run(folder)) {
            failure = step.failureMessage;
            return false;
        }
    }
    return true;
}

bool GenerationRun::generateFolder(const FolderRun& run) {
    m_ui.setStep("Vorbereitung der " + std::string(run.kind), 0);
    const fs::path& templatePath = run.cal ? m_inputs.templateCalPath : m_inputs.templateSelPath;
    const fs::path target = m_inputs.folderPath(run.cal, run.ist);
    const fs::path staging = stagingPath(run.cal, run.ist);
    if (pathExists(target) && !removeExistingTarget(target)) {
        return false;
    }

    m_ui.setStep("Anlegen der " + std::string(run.kind), 10);
    // The target directory may not exist yet (a fresh machine has no Testmappen folder); it is
    // made here, once the run is sure to write, so that a refused or cancelled run leaves
    // nothing behind. When it cannot be made, the copy below fails.
    std::error_code error;
    fs::create_directories(m_inputs.targetDirectory, error);
    // Files the delete list removes are not copied in the first place: creating them only to
    // delete them again took a good part of the time of a run.
    const auto deletions =
        plannedDeletions(templatePath, run.cal ? m_data.calDeleteList : m_data.selfTestDeleteList);
    std::vector<std::string> leftOut;
    for (const ModuleDeletion& deletion : deletions) {
        if (!deletion.isFolder) {
            leftOut.push_back(deletion.entry);
        }
    }
    if (!kw::removeTree(staging) || !kw::copyTree(templatePath, staging, leftOut)) {
        return failRun(staging, kCannotCreate);
    }

    m_ui.setStep("Löschen unnötiger Module", 15);
    std::string failure;
    if (!deleteModules(staging, deletions, failure) || !runModuleSteps(run, staging, failure)) {
        return failRun(staging, failure);
    }

    m_ui.setStep("System-Information ablegen", 95);
    if (!m_system.writeSysInfo(staging / "tarvik.sysinfo", kw::Durability::Unsynced)) {
        return failRun(staging, kCannotStoreSysInfo);
    }
    if (!kw::renameNoReplace(staging, target)) {
        return failRun(staging, kCannotCreate);
    }
    return true;
}

bool generateTestmappen(CSystemInfo& system, const RunInputs& inputs, UserInterface& ui) {
    GenerationRun run(system, inputs, ui, currentStamp(inputs.programFolder));
    return run.generate();
}
