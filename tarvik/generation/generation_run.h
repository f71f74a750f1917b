#pragma once

// The generation run behind "Generieren": checks the target folders, derives the run data
// and produces the self-test Testmappe and its actual-value twin (and, when asked, the
// calibration pair), each copied from its template, cleared of the modules the rack does not
// need, rewritten module by module and stamped with the configuration.
//
// Each Testmappe is built in a staging folder beside its final name, written through to the
// disk and only then put in place, swapping out an existing Testmappe in the same step, so
// that a failed, killed or cut-off run never leaves a half-built or half-deleted Testmappe
// under the final name. The run holds a lock on each of its Testmappen from start to end;
// what a dead run left behind is removed by the next one (staging.h).

#include "tarvik/generation/documentation.h"
#include "tarvik/generation/module_sequences.h"
#include "tarvik/generation/run_data.h"
#include "tarvik/generation/run_inputs.h"
#include "tarvik/generation/staging.h"

#include "common/files/file_lock.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarvik {

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
    // The locks of the run's Testmappen and the target directory folders the run made (gone
    // again when the run did not succeed and they are empty).
    struct TargetDirectoryHold {
        std::vector<kw::FileLock> locks;
        std::vector<std::filesystem::path> made;
        bool keepFolder = false;
        ~TargetDirectoryHold();
    };

    std::vector<std::filesystem::path> finalPaths() const;
    bool checkTemplatesApart();
    bool takeLocks(TargetDirectoryHold& hold);
    bool checkTargetFolders();
    // A Testmappe written completely into its staging folder, to be published.
    struct StagedTestmappe {
        StagingNames names;
        bool replace; // an existing Testmappe of that name is replaced
    };

    bool stageFolder(const FolderRun& run, std::vector<StagedTestmappe>& staged);
    bool publishAll(const std::vector<StagedTestmappe>& staged);
    bool failPublication(const std::vector<StagedTestmappe>& staged, std::size_t first,
                         const std::string& message);
    // Asks before an existing folder is replaced, unless the check before the run did.
    bool agreeToReplace(const std::filesystem::path& target);
    // Deletes what the copy could not leave out: listed entries that are folders.
    bool deleteModules(const std::filesystem::path& folder,
                       const std::vector<ModuleDeletion>& deletions, std::string& failure);
    // `first`: the Testmappe of the same kind staged before from the same template, whose
    // modules that come out the same in the twin are copied instead of generated again.
    bool runModuleSteps(const std::vector<ModuleStep>& steps, const ModuleFolders& folders,
                        const ModuleFolders* first, std::string& failure);
    bool failRun(const std::filesystem::path& staging, const std::string& message);
    bool reportFailure(const std::string& message);

    CSystemInfo& m_system;
    RunInputs m_inputs;
    UserInterface& m_ui;
    GenerationStamp m_stamp;
    RunData m_data;
    // Existing Testmappen the user agreed to replace.
    std::vector<std::filesystem::path> m_replace;
    // The first Testmappe staged in this run of each kind, by `cal` (self-test, calibration).
    std::array<std::optional<ModuleFolders>, 2> m_firstOfKind;
};

// What "Generieren" starts, in the dialog and on the command line: one whole run stamped with
// today's date and the program's version.
bool generateTestmappen(CSystemInfo& system, const RunInputs& inputs, UserInterface& ui);

} // namespace tarvik
