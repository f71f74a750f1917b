#include "tarvik/generation/run_inputs.h"

#include "common/files/file_ops.h"
#include "tarvik/generation/staging.h"

#include <algorithm>

namespace tarvik {

namespace {

constexpr std::string_view kFolderPrefix = "TM_";

// Longest name of a folder entry on the file systems in use.
constexpr std::size_t kNameMax = 255;

const char* const kMissingName = "Bitte geben Sie den Speicherort und die Bezeichnung für die "
                                 "zu generierende(n) Testmappe an!";

bool isControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// What is wrong with a name that cannot stand as one folder name.
std::string unsafeNameProblem(const std::string& name) {
    if (name.find_first_of("/\\") != std::string::npos) {
        return "Der Name der Testmappe darf keinen Schrägstrich (\"/\" oder \"\\\") enthalten!";
    }
    if (std::any_of(name.begin(), name.end(), isControl)) {
        return "Der Name der Testmappe darf keine Steuerzeichen enthalten!";
    }
    if (name.find(':') != std::string::npos) {
        return "Der Name der Testmappe darf keinen Doppelpunkt enthalten!";
    }
    return "Der Name der Testmappe darf weder \".\" sein noch \"..\" enthalten!";
}

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

std::string RunInputs::nameProblem() const {
    if (targetDirectory.empty() || folderName(false, false).empty()) {
        return kMissingName;
    }
    if (!kw::isSafeFileName(projectName)) {
        return unsafeNameProblem(projectName);
    }
    // The longest folder of the run and the hidden names beside it must fit a folder entry.
    const std::size_t longest = folderName(generateCal, true).size() + 3 + hiddenNameExtra();
    if (longest > kNameMax) {
        const std::size_t allowed = projectName.size() - (longest - kNameMax);
        return "Der Name der Testmappe ist zu lang: " + std::to_string(projectName.size()) +
               " Bytes, höchstens " + std::to_string(allowed) + " Bytes sind möglich!";
    }
    return {};
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

} // namespace tarvik
