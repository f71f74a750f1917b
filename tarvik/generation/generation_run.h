#pragma once

// The generation run behind "Generieren": checks the target folders, derives the run data
// and produces the self-test Testmappe and its actual-value twin (and, when asked, the
// calibration pair), each copied from its template, cleared of the modules the rack does not
// need, rewritten module by module and stamped with the configuration.
//
// Each Testmappe is built in a staging folder beside its final name and renamed into place
// only when its run succeeded, so that a killed process never leaves a half-built Testmappe
// under the final name. A staging folder left behind by such a process is removed by the
// next run.

#include "tarvik/generation/documentation.h"
#include "tarvik/generation/module_sequences.h"
#include "tarvik/generation/run_data.h"
#include "tarvik/generation/run_inputs.h"

#include <filesystem>
#include <string>
#include <vector>

class CSystemInfo;
class UserInterface;

// One of the four Testmappen of a run.
struct FolderRun {
    bool cal;
    bool ist;
    const char* kind; // progress wording
};

// A module the delete list takes out of a fresh copy of a template: the template entry the
// deletion finds for it (the exact name, otherwise one that matches ignoring case), each
// entry at most once.
struct ModuleDeletion {
    std::string module;
    std::string entry;
    bool isFolder;
};

class GenerationRun {
public:
    GenerationRun(CSystemInfo& system, const RunInputs& inputs, UserInterface& ui,
                  GenerationStamp stamp);

    // The whole run; true when every Testmappe was generated.
    bool generate();

    // The Testmappen this run produces, in order.
    std::vector<FolderRun> folderRuns() const;

    // The run data of the last generate() (or of prepare()).
    const RunData& runData() const { return m_data; }

    // Derives the run data without writing anything.
    void prepare();

    // Module steps of one Testmappe (for a dry run).
    std::vector<ModuleStep> moduleSteps(const FolderRun& run) const;

    // Where a Testmappe is built before it is renamed into place.
    std::filesystem::path stagingPath(bool cal, bool ist) const;

private:
    bool inputsAreUsable() const;
    bool checkTargetFolders();
    bool generateFolder(const FolderRun& run);
    bool removeExistingTarget(const std::filesystem::path& target);
    // Deletes what the copy could not leave out: listed entries that are folders.
    bool deleteModules(const std::filesystem::path& folder,
                       const std::vector<ModuleDeletion>& deletions, std::string& failure);
    bool runModuleSteps(const FolderRun& run, const std::filesystem::path& folder,
                        std::string& failure);
    bool failRun(const std::filesystem::path& staging, const std::string& message);

    CSystemInfo& m_system;
    RunInputs m_inputs;
    UserInterface& m_ui;
    GenerationStamp m_stamp;
    RunData m_data;
};

// What "Generieren" starts, in the dialog and on the command line: one whole run stamped with
// today's date and the program's version.
bool generateTestmappen(CSystemInfo& system, const RunInputs& inputs, UserInterface& ui);
