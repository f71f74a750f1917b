#include "tarvik/generation/generation_run.h"

#include "common/files/file_ops.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/staging.h"
#include "tarvik/generation/user_interface.h"
#include "tarvik/modules/prog_handler.h"

#include <algorithm>

namespace tarvik {

namespace fs = std::filesystem;

namespace {

using Icon = UserInterface::Icon;
using Buttons = UserInterface::Buttons;

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

std::string targetInTemplateMessage(const fs::path& path) {
    return "Das Verzeichnis \"" + path.string() +
           "\" liegt in einer Vorlagen-Testmappe und kann nicht als Testmappe verwendet werden!\n"
           "Die Generierung wird abgebrochen!";
}

std::string busyMessage(const fs::path& path) {
    return "Die Testmappe \"" + path.string() +
           "\" wird gerade von einer anderen Generierung erstellt!\nDie Generierung wird "
           "abgebrochen!";
}

std::string folderExistsQuestion(const fs::path& path) {
    return "Das Verzeichnis \"" + path.string() +
           "\" existiert bereits und wird vor der Generierung gelöscht!";
}

bool pathExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// A path with links and ".." resolved, for isWithin; empty when that fails.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(path, error);
    return error ? fs::path() : canonical;
}

// Whether a resolved path is the resolved folder or lies inside it.
bool isWithin(const fs::path& inner, const fs::path& outer) {
    if (inner.empty() || outer.empty()) {
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
// find it in the copy, and the entries that stay; nothing when the template cannot be listed.
struct TemplatePlan {
    std::vector<ModuleDeletion> deletions;
    std::vector<std::string> kept;
};

std::optional<TemplatePlan> planTemplate(const fs::path& templateFolder,
                                         const std::vector<std::string>& deleteList) {
    auto listed = kw::listFolder(templateFolder);
    if (!listed) {
        return std::nullopt;
    }
    TemplatePlan plan;
    std::vector<std::string>& names = *listed;
    for (const std::string& module : deleteList) {
        const auto entry = kw::matchCaseInsensitive(names, module);
        if (!entry) {
            continue;
        }
        std::error_code error;
        plan.deletions.push_back(
            {module, *entry, fs::is_directory(templateFolder / *entry, error)});
        names.erase(std::find(names.begin(), names.end(), *entry));
    }
    plan.kept = std::move(names);
    return plan;
}

// What the copy of the template leaves out: files the delete list takes out and the files the
// steps write themselves.
std::vector<std::string> leftOutOfCopy(const TemplatePlan& plan, const ModuleFolders& folders,
                                       const std::vector<ModuleStep>& steps) {
    std::vector<std::string> leftOut;
    for (const ModuleDeletion& deletion : plan.deletions) {
        if (!deletion.isFolder) {
            leftOut.push_back(deletion.entry);
        }
    }
    for (const ModuleStep& step : steps) {
        const auto entry =
            step.skip || step.source.empty() ? std::nullopt : folders.entry(step.source);
        if (entry) {
            leftOut.push_back(*entry);
        }
    }
    return leftOut;
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
    return stagingNames(m_inputs.folderPath(cal, ist)).staging;
}

std::vector<fs::path> GenerationRun::finalPaths() const {
    std::vector<fs::path> paths;
    for (const FolderRun& run : folderRuns()) {
        paths.push_back(m_inputs.folderPath(run.cal, run.ist));
    }
    return paths;
}

void GenerationRun::prepare() {
    m_data = prepareRunData(m_system, m_inputs.instrument, m_ui);
}

std::vector<ModuleStep> GenerationRun::moduleSteps(const FolderRun& run) const {
    const SequenceContext context{m_inputs, m_system, m_data, m_stamp, TwinFlag{run.ist}};
    return run.cal ? calibrationSequence(context) : selfTestSequence(context);
}

bool GenerationRun::generate() {
    if (const std::string problem = m_inputs.nameProblem(); !problem.empty()) {
        m_ui.message(problem, Icon::Warning);
        return false;
    }
    if (!checkTemplatesApart()) {
        return false;
    }
    // Held until the run is over: no other run builds these Testmappen meanwhile.
    TargetDirectoryHold hold;
    if (!takeLocks(hold)) {
        return false;
    }
    removeLeftovers(m_inputs.targetDirectory, finalPaths());
    if (!checkTargetFolders()) {
        return false;
    }
    DetailProgress progress(m_ui);
    const ScopedProgHandler registration(&progress);
    prepare();
    m_firstOfKind = {};
    bool succeeded = true;
    std::vector<StagedTestmappe> staged;
    const std::vector<FolderRun> runs = folderRuns();
    for (const FolderRun& run : runs) {
        if (!stageFolder(run, staged)) {
            succeeded = false;
            break;
        }
        // The last one's window stays while the Testmappen are written through to the disk.
        if (&run != &runs.back()) {
            m_ui.hideProgress();
        }
    }
    // The Testmappen completed before a failure get their names, as when each was published
    // right after it was written.
    if (!publishAll(staged)) {
        succeeded = false;
    } else if (succeeded) {
        m_ui.hideProgress();
    }
    if (succeeded) {
        m_ui.message(kSuccess, Icon::Information);
        hold.keepFolder = true;
    }
    m_ui.endProgress();
    return succeeded;
}

bool GenerationRun::checkTemplatesApart() {
    // A Testmappe named like a template in the program folder would replace the template
    // itself (target directory = program folder, name "SEL_TEMPLATE"); one inside a template
    // would copy the template into itself, deeper on every run. Both are refused outright.
    // Each path is resolved once (every part of it is looked up in the file system).
    const fs::path templates[] = {resolved(m_inputs.templateSelPath),
                                  resolved(m_inputs.templateCalPath)};
    for (const fs::path& target : finalPaths()) {
        const fs::path resolvedTarget = resolved(target);
        for (const fs::path& templatePath : templates) {
            if (isWithin(templatePath, resolvedTarget)) {
                m_ui.message(templateTargetMessage(target), Icon::Warning);
                return false;
            }
            if (isWithin(resolvedTarget, templatePath)) {
                m_ui.message(targetInTemplateMessage(target), Icon::Warning);
                return false;
            }
        }
    }
    return true;
}

GenerationRun::TargetDirectoryHold::~TargetDirectoryHold() {
    locks.clear();
    // A refused or cancelled run leaves no target directory it made behind (only empty
    // folders are removed).
    std::error_code error;
    for (auto it = made.rbegin(); !keepFolder && it != made.rend(); ++it) {
        fs::remove(*it, error);
    }
}

bool GenerationRun::takeLocks(TargetDirectoryHold& hold) {
    // The target directory may not exist yet (a fresh machine has no Testmappen folder); the
    // locks live in it.
    for (fs::path folder = m_inputs.targetDirectory; !folder.empty() && !pathExists(folder);
         folder = folder.parent_path()) {
        hold.made.insert(hold.made.begin(), folder);
        if (folder == folder.parent_path()) {
            break;
        }
    }
    std::error_code error;
    fs::create_directories(m_inputs.targetDirectory, error);
    fs::path blocked;
    switch (lockTestmappen(finalPaths(), hold.locks, blocked)) {
    case kw::FileLock::Outcome::Taken: return true;
    case kw::FileLock::Outcome::Busy: m_ui.message(busyMessage(blocked), Icon::Warning); break;
    case kw::FileLock::Outcome::Failed: m_ui.message(kCannotCreate, Icon::Warning); break;
    }
    return false;
}

bool GenerationRun::checkTargetFolders() {
    m_replace.clear();
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
    // Each is replaced only once its new Testmappe is complete.
    m_replace = existing;
    return true;
}

bool GenerationRun::failRun(const fs::path& staging, const std::string& message) {
    kw::removeTree(staging);
    return reportFailure(message);
}

// The progress window goes before the warning comes; the run has failed.
bool GenerationRun::reportFailure(const std::string& message) {
    m_ui.hideProgress();
    m_ui.message(message, Icon::Warning);
    return false;
}

bool GenerationRun::agreeToReplace(const fs::path& target) {
    const bool agreed = std::find(m_replace.begin(), m_replace.end(), target) != m_replace.end();
    if (agreed && isDirectory(target)) {
        return true;
    }
    m_ui.hideProgress();
    if (!isDirectory(target)) {
        m_ui.message(fileExistsMessage(target), Icon::Warning);
        return false;
    }
    if (!m_ui.question(folderExistsQuestion(target), Buttons::OkCancel)) {
        return false;
    }
    // The old Testmappe keeps its name until the new one is complete and takes its place.
    m_ui.setStep("Löschen der vorhandenen Testmappe", 5);
    m_replace.push_back(target);
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

bool GenerationRun::runModuleSteps(const std::vector<ModuleStep>& steps,
                                   const ModuleFolders& folders, const ModuleFolders* first,
                                   std::string& failure) {
    // The twin is built from the same template with the same delete list; a module that comes
    // out the same is copied from the first Testmappe (which is complete by now): the card
    // generators of the twin need not run again.
    const bool copyFromFirst = first != nullptr &&
                               first->templateFolder == folders.templateFolder &&
                               first->entries == folders.entries;
    for (const ModuleStep& step : steps) {
        // Every row of the order moves the bar, also one whose module this folder does not hold.
        m_ui.setStep(step.progressText, step.percent);
        if (step.skip) {
            continue;
        }
        const auto entry = folders.entry(step.module);
        const bool copied = copyFromFirst && step.sameInTwin && entry;
        if (copied ? !kw::copyEntry(first->staging / *entry, folders.staging / *entry)
                   : !step.run(folders)) {
            failure = step.failureMessage;
            return false;
        }
    }
    return true;
}

bool GenerationRun::stageFolder(const FolderRun& run, std::vector<StagedTestmappe>& staged) {
    m_ui.setStep("Vorbereitung der " + std::string(run.kind), 0);
    const fs::path& templatePath = run.cal ? m_inputs.templateCalPath : m_inputs.templateSelPath;
    const fs::path target = m_inputs.folderPath(run.cal, run.ist);
    const StagingNames names = stagingNames(target);
    const fs::path& staging = names.staging;
    if (pathExists(target) && !agreeToReplace(target)) {
        return false;
    }

    m_ui.setStep("Anlegen der " + std::string(run.kind), 10);
    // Files the delete list removes are not copied in the first place: creating them only to
    // delete them again took a good part of the time of a run. Nor are the files the steps
    // write.
    const auto plan =
        planTemplate(templatePath, run.cal ? m_data.calDeleteList : m_data.selfTestDeleteList);
    if (!plan) {
        return failRun(staging, kCannotCreate);
    }
    const ModuleFolders folders{templatePath, staging, plan->kept};
    const std::vector<ModuleStep> steps = moduleSteps(run);
    if (!kw::removeTree(staging) ||
        !kw::copyTree(templatePath, staging, leftOutOfCopy(*plan, folders, steps))) {
        return failRun(staging, kCannotCreate);
    }

    m_ui.setStep("Löschen unnötiger Module", 15);
    std::string failure;
    const std::optional<ModuleFolders>& first = m_firstOfKind[run.cal];
    if (!deleteModules(staging, plan->deletions, failure) ||
        !runModuleSteps(steps, folders, run.ist && first ? &*first : nullptr, failure)) {
        return failRun(staging, failure);
    }

    m_ui.setStep("System-Information ablegen", 95);
    if (!m_system.writeSysInfo(staging / "tarvik.sysinfo", kw::Durability::Staged)) {
        return failRun(staging, kCannotStoreSysInfo);
    }
    const bool replace = std::find(m_replace.begin(), m_replace.end(), target) != m_replace.end();
    staged.push_back({names, replace});
    if (!run.ist) {
        m_firstOfKind[run.cal] = folders;
    }
    return true;
}

bool GenerationRun::publishAll(const std::vector<StagedTestmappe>& staged) {
    if (staged.empty()) {
        return true;
    }
    // Everything is on the disk before the first name is given: a power cut after a rename
    // must not leave short modules under the final name. One sync serves all Testmappen of
    // the run (each sync flushes the disk's cache).
    std::vector<fs::path> folders;
    for (const StagedTestmappe& testmappe : staged) {
        folders.push_back(testmappe.names.staging);
    }
    if (!kw::syncTrees(folders)) {
        return failPublication(staged, 0, kCannotCreate);
    }
    // Put in place in the order they were written, up to the first that cannot be.
    std::vector<fs::path> oldFolders;
    std::size_t placed = 0;
    for (fs::path old; placed < staged.size(); ++placed) {
        if (!placeTestmappe(staged[placed].names, staged[placed].replace, old)) {
            break;
        }
        if (!old.empty()) {
            oldFolders.push_back(old);
        }
    }
    // The new names are on the disk before any old Testmappe goes: one sync of the target
    // directory for all of them. When that fails, the old ones go all the same (they are out
    // of sight already) and the run fails.
    if (placed > 0 && !kw::syncFolder(staged.front().names.final.parent_path())) {
        return failPublication(staged, 0, kCannotCreate);
    }
    bool oldRemoved = true;
    for (const fs::path& old : oldFolders) {
        oldRemoved = kw::removeTree(old) && oldRemoved;
    }
    if (!oldRemoved) {
        return failPublication(staged, placed, kCannotDeleteExisting);
    }
    return placed == staged.size() || failPublication(staged, placed, kCannotCreate);
}

// Removes the staging folders from `first` on (an old Testmappe swapped out of sight lies
// under the staging name of its successor) and tells the user.
bool GenerationRun::failPublication(const std::vector<StagedTestmappe>& staged, std::size_t first,
                                    const std::string& message) {
    for (std::size_t i = first; i < staged.size(); ++i) {
        kw::removeTree(staged[i].names.staging);
    }
    return reportFailure(message);
}

bool generateTestmappen(CSystemInfo& system, const RunInputs& inputs, UserInterface& ui) {
    GenerationRun run(system, inputs, ui, currentStamp(inputs.programFolder));
    return run.generate();
}

} // namespace tarvik
