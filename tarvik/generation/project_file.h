#pragma once

// Rewriting of a Testmappe's project file (<name>.860): the items of deleted modules are
// removed and the rest renumbered without gaps, calibration items are pointed to the modules
// of the chosen instrument and to their self-test folder, and a few settings follow the
// configuration.

#include <filesystem>
#include <string>
#include <vector>

namespace tarvik {

class CSystemInfo;
struct RunInputs;

// Reads the template's project file `input` and writes the project file named after the
// Testmappe (folderName + ".860") into folder. False when either file cannot be opened.
bool rewriteProjectFile(const RunInputs& inputs, CSystemInfo& system,
                        const std::filesystem::path& input, const std::filesystem::path& folder,
                        bool cal, bool ist, const std::vector<std::string>& deleteList);

// The rewriting itself, line by line (exposed for tests).
std::vector<std::string> rewriteProjectLines(const std::vector<std::string>& lines,
                                             const RunInputs& inputs, CSystemInfo& system,
                                             bool cal, bool ist,
                                             const std::vector<std::string>& deleteList);

} // namespace tarvik
