#pragma once

// Where tarvik finds its two template Testmappen and "version.txt". Beside the program first,
// so that the build tree and a portable copy keep working; else in the installed data folder
// (share/kontrollwerk of the installation the program belongs to, found relative to the
// program, so that an unpacked or relocated installation works too).

#include <filesystem>

namespace tarvik {

// The installed data folder of the installation whose program folder is programFolder.
std::filesystem::path installedTemplateFolder(const std::filesystem::path& programFolder);

// The program folder when a template folder stands there; else the installed data folder
// when one stands there; else the program folder (whose missing templates are then reported).
std::filesystem::path templateFolder(const std::filesystem::path& programFolder);

} // namespace tarvik
