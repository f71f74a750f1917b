#include "tarvik/app/template_folder.h"

namespace tarvik {

namespace fs = std::filesystem;

namespace {

bool holdsTemplates(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(folder / "TM_SEL_TEMPLATE", error) ||
           fs::is_directory(folder / "TM_CAL_TEMPLATE", error);
}

} // namespace

fs::path installedTemplateFolder(const fs::path& programFolder) {
    // KW_INSTALLED_TEMPLATES: the data folder relative to the program folder, from the build's
    // installation layout ("../share/kontrollwerk").
    return (programFolder / KW_INSTALLED_TEMPLATES).lexically_normal();
}

fs::path templateFolder(const fs::path& programFolder) {
    if (holdsTemplates(programFolder)) {
        return programFolder;
    }
    const fs::path installed = installedTemplateFolder(programFolder);
    return holdsTemplates(installed) ? installed : programFolder;
}

} // namespace tarvik
