#pragma once

// What one generation run works from, as the main dialog holds it, and the naming rules of
// the folders and project files it produces.

#include <filesystem>
#include <string>

namespace tarvik {

class CSystemInfo;

// Calibration instruments.
namespace Instrument {
constexpr int Keysight3458A = 0;
constexpr int Keithley2000 = 1;
} // namespace Instrument

struct RunInputs {
    std::filesystem::path programFolder;
    std::filesystem::path templateSelPath;
    std::filesystem::path templateCalPath;
    std::filesystem::path targetDirectory;
    std::string projectName = "TARVIK";
    bool generateCal = false;
    int instrument = Instrument::Keysight3458A;

    // Sets the program folder and the two template paths beside it.
    void setProgramFolder(const std::filesystem::path& folder);

    // Name of a Testmappe without its "TM_" prefix: "ABC", "ABC_IST", "CAL_ABC", "CAL_ABC_IST".
    std::string folderName(bool cal, bool ist) const;

    // Full path of a Testmappe in the target directory.
    std::filesystem::path folderPath(bool cal, bool ist) const;

    // Why the target directory and project name cannot be used, as the user is told; empty
    // when they can. The name becomes one folder inside the target directory: no separator,
    // no "..", no control character, and short enough for every folder of the run and the
    // hidden names beside it.
    std::string nameProblem() const;
};

// Stem of a template's project file: the template folder's name without a leading "TM_".
std::string templateProjectName(const std::filesystem::path& templatePath);

} // namespace tarvik
