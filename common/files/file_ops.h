#pragma once

// File-system services of both programs: whole-tree copy, sync and delete, the case-insensitive
// lookup of module files (templates made on Windows name files in any case), renames that
// never replace an existing target or swap two entries at once, and the folder of the
// running program.
//
// Every call that reaches the kernel goes through one place that a test can make fail
// (setFileFaultHook), so that each error path can be taken on purpose.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// The kernel calls of this file layer, as a fault hook sees them.
enum class FileOp { Open, Read, Write, List, MakeFolder, Rename, Remove, Sync };

// What a fault hook answers: 0 lets the call go ahead; an errno value makes it fail with that
// error; kEndOfData makes a read or copy call report the end of its file at once.
constexpr int kEndOfData = -1;
using FileFaultHook = std::function<int(FileOp op, const std::filesystem::path& path)>;

// Installs the hook asked before every kernel call of this layer (an empty one: none).
void setFileFaultHook(FileFaultHook hook);

// Copies a folder with all its contents to target (which must not exist) and makes every
// copied file and folder writable for its owner, so that a read-only template gives an
// editable copy. Entries of the folder itself whose names are in leaveOut are not copied.
// Links are followed; a link that leads back into a folder being copied is an error. Each
// copied file is checked to have the size of its source. False (with the reason in failure,
// when given) when anything could not be read, copied or made writable; the target is then
// incomplete and up to the caller to remove.
bool copyTree(const std::filesystem::path& source, const std::filesystem::path& target,
              const std::vector<std::string>& leaveOut = {}, std::string* failure = nullptr);

// The same for one entry of a folder: a file (checked like those of a tree) or a folder.
bool copyEntry(const std::filesystem::path& source, const std::filesystem::path& target,
               std::string* failure = nullptr);

// Writes every file and folder of a tree (and the tree's folder) through to the disk, so that
// it survives a power cut once published: the whole file system holding it is synced. False
// when that reports an error.
bool syncTree(const std::filesystem::path& folder);

// The same for several trees with one sync per file system that holds any of them (trees
// side by side in one folder: one sync). False when a tree cannot be opened or a sync
// reports an error.
bool syncTrees(const std::vector<std::filesystem::path>& folders);

// Writes a folder's entries (names created, renamed or removed in it) through to the disk.
bool syncFolder(const std::filesystem::path& folder);

// Swaps two existing entries in one step: each name then holds what the other held. False
// (and nothing changed) when that fails; errno tells why (EINVAL or ENOSYS: the file system
// cannot swap).
bool exchangePaths(const std::filesystem::path& a, const std::filesystem::path& b);

// Removes a file or a folder with all its contents. True at once when nothing is there.
bool removeTree(const std::filesystem::path& path);

// The entry of a folder named name: the exact name when it exists, otherwise the first entry
// (in name order) whose name matches ignoring ASCII case; nothing when none does.
std::optional<std::filesystem::path> findCaseInsensitive(const std::filesystem::path& folder,
                                                         std::string_view name);

// Names of the entries of a folder, in the order the folder lists them; empty when it cannot
// be read.
std::vector<std::string> entryNames(const std::filesystem::path& folder);

// The same names; nothing when the folder cannot be listed completely.
std::optional<std::vector<std::string>> listFolder(const std::filesystem::path& folder);

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
