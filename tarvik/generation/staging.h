#pragma once

// The hidden names beside a Testmappe while a run builds or replaces it, the locks that keep
// two runs from building the same Testmappe at once, and the removal of what a dead run left.
//
// For the Testmappe "TM_X" in a target directory:
//   ".TM_X.tarvik-lock"      lock file of the run that builds TM_X, held for the whole run
//   ".TM_X.tarvik-staging"   the new Testmappe while it is built (after the swap: the old one)
//   ".TM_X.tarvik-replaced"  the old Testmappe, on file systems that cannot swap two folders
// At every instant "TM_X" holds the complete old Testmappe, the complete new one, or nothing.

#include "common/files/file_lock.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvik {

struct StagingNames {
    std::filesystem::path final;
    std::filesystem::path staging;
    std::filesystem::path replaced;
    std::filesystem::path lock;
};

StagingNames stagingNames(const std::filesystem::path& finalPath);

// How many bytes the longest hidden name adds to the name of its Testmappe.
std::size_t hiddenNameExtra();

// Takes the locks of all the given Testmappen (in name order, so that two runs never wait
// for each other). On Busy or Failed no lock is held and blocked names the Testmappe.
kw::FileLock::Outcome lockTestmappen(const std::vector<std::filesystem::path>& finals,
                                     std::vector<kw::FileLock>& locks,
                                     std::filesystem::path& blocked);

// Removes the staging and replaced folders in a target directory whose run is gone: those
// of the given Testmappen (whose locks the caller holds) and those of any other Testmappe
// whose lock nobody holds. Folders of a run that is alive stay.
void removeLeftovers(const std::filesystem::path& targetDirectory,
                     const std::vector<std::filesystem::path>& ownFinals);

// Puts the complete staging folder under the final name. With replace, an existing folder of
// that name is swapped out in the same step; without, nothing that exists there is ever
// replaced. False when it could not be put in place (an old folder is then back under the
// final name). On success `old` names where the replaced folder lies now (the staging name,
// or the stepped-aside name on file systems that cannot swap), empty when nothing was
// replaced: the caller writes the target directory's entries through to the disk
// (kw::syncFolder) before it removes the old folder, so that a power cut never leaves neither.
bool placeTestmappe(const StagingNames& names, bool replace, std::filesystem::path& old);

} // namespace tarvik
