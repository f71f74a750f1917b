#pragma once

// File-system services of both programs: whole-tree copy and delete, the case-insensitive
// lookup of module files (templates made on Windows name files in any case), a rename that
// never replaces an existing target, and the folder of the running program.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// Copies a folder with all its contents to target (which must not exist) and makes every
// copied file and folder writable for its owner, so that a read-only template gives an
// editable copy. Entries of the folder itself whose names are in leaveOut are not copied.
// False when anything could not be copied or made writable.
bool copyTree(const std::filesystem::path& source, const std::filesystem::path& target,
              const std::vector<std::string>& leaveOut = {});

// Removes a file or a folder with all its contents. True at once when nothing is there.
bool removeTree(const std::filesystem::path& path);

// The entry of a folder named name: the exact name when it exists, otherwise the first entry
// (in name order) whose name matches ignoring ASCII case; nothing when none does.
std::optional<std::filesystem::path> findCaseInsensitive(const std::filesystem::path& folder,
                                                         std::string_view name);

// Names of the entries of a folder, in the order the folder lists them; empty when it cannot
// be read.
std::vector<std::string> entryNames(const std::filesystem::path& folder);

// The same choice among a list of entry names: name itself when listed, otherwise the first
// (in name order) that matches ignoring ASCII case; nothing when none does.
std::optional<std::string> matchCaseInsensitive(const std::vector<std::string>& names,
                                                std::string_view name);

// Renames from to to unless to exists; false (and nothing changed) otherwise.
bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// Whether text may be used as one path component that stays inside its folder: not empty,
// no "..", no path separator ("/" or "\"), no ":" and no control character.
bool isSafeFileName(std::string_view text);

// Folder of the running program file; empty when it cannot be determined.
std::filesystem::path programFolder();

} // namespace kw
