#include "tarvik/generation/run_inputs.h"

namespace {

constexpr std::string_view kFolderPrefix = "TM_";

std::string withoutFolderPrefix(std::string name) {
    if (name.rfind(kFolderPrefix, 0) == 0) {
        name.erase(0, kFolderPrefix.size());
    }
    return name;
}

} // namespace

void RunInputs::setProgramFolder(const std::filesystem::path& folder) {
    programFolder = folder;
    templateSelPath = folder / "TM_SEL_TEMPLATE";
    templateCalPath = folder / "TM_CAL_TEMPLATE";
}

std::string RunInputs::folderName(bool cal, bool ist) const {
    std::string name = withoutFolderPrefix(projectName);
    if (ist) {
        name += "_IST";
    }
    if (cal) {
        name.insert(0, "CAL_");
    }
    return name;
}

std::filesystem::path RunInputs::folderPath(bool cal, bool ist) const {
    return targetDirectory / (std::string(kFolderPrefix) + folderName(cal, ist));
}

std::string templateProjectName(const std::filesystem::path& templatePath) {
    std::filesystem::path folder = templatePath;
    if (!folder.has_filename()) {
        folder = folder.parent_path(); // a trailing separator names the same folder
    }
    return withoutFolderPrefix(folder.filename().string());
}
