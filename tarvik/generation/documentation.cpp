#include "tarvik/generation/documentation.h"

#include "common/files/file_ops.h"
#include "common/text/cp1252.h"
#include "common/text/line_file.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/run_inputs.h"

#include <cstdio>
#include <ctime>

namespace tarvik {

namespace {

constexpr std::string_view kDocuLine = "  DOCU ";
// A line break inside the one-line documentation text.
constexpr const char* kBreak = "\\n";

std::string modelName(int systemType) {
    switch (systemType) {
    case 945: return "UKPRQ";
    case 930: return "PCPRQ930";
    default: return "KPRQ860";
    }
}

std::string generatedBy(const GenerationStamp& stamp) {
    return std::string(" generiert von Kontrollwerk ") + stamp.templateVersion + " (Tarvik.exe " +
           stamp.programVersion + ")" + kBreak + "am " + stamp.date + " um " + stamp.time + kBreak;
}

std::string configurationText(CSystemInfo& system) {
    std::string text;
    for (int i = 0; i < system.visibleCount(); ++i) {
        const int address = system.positions[i].cardAddress;
        if (address < 0 || address >= CSystemInfo::kSlotCount ||
            system.slots[address].typeCode == CardType::None) {
            continue;
        }
        text += cardName(system.slots[address], true) + " in " + system.positionName(i) + kBreak;
    }
    if (system.hasXab60V) {
        text += std::string("XAB-60V vorhanden") + kBreak;
    }
    return text;
}

} // namespace

std::string formatProgramVersion(int a, int b, int c, int d) {
    char text[64];
    if (d == 0) {
        std::snprintf(text, sizeof text, "V %d.%d%d", a, b, c);
    } else {
        std::snprintf(text, sizeof text, "V %d.%d%d beta", a, b, c + 1);
    }
    return text;
}

std::string programVersion() {
    static const std::string version = formatProgramVersion(
        KW_VERSION_MAJOR, KW_VERSION_MINOR, KW_VERSION_PATCH, KW_VERSION_TWEAK);
    return version;
}

std::string templateVersion(const std::filesystem::path& programFolder) {
    const auto lines = kw::readLineFile(programFolder / "version.txt");
    if (!lines || lines->empty()) {
        return "";
    }
    return kw::cp1252ToUtf8(lines->front());
}

GenerationStamp currentStamp(const std::filesystem::path& programFolder) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    char time[32];
    std::strftime(date, sizeof date, "%d.%m.%Y", &local);
    std::strftime(time, sizeof time, "%H:%M", &local);
    return {programVersion(), templateVersion(programFolder), date, time};
}

std::string documentationText(const RunInputs& inputs, CSystemInfo& system,
                              const GenerationStamp& stamp, bool cal, bool ist) {
    std::string text = std::string(kBreak) + kBreak;
    if (!cal) {
        return text + "Selbsttest" + generatedBy(stamp) + "für " + modelName(system.systemType) +
               " mit folgendem Systemausbau:" + kBreak + kBreak + configurationText(system);
    }
    text += ist ? "Iswertaufnahmetest" : "Kalibriertest";
    return text + generatedBy(stamp) + "zum Selbsttest \"" + inputs.folderName(false, ist) + "\"" +
           kBreak;
}

bool rewriteDocumentation(const RunInputs& inputs, CSystemInfo& system,
                          const GenerationStamp& stamp, const std::filesystem::path& input,
                          const std::filesystem::path& output, bool cal, bool ist) {
    const auto lines = kw::readLineFile(input);
    if (!lines) {
        return false;
    }
    // The output lies in a staging folder that is renamed into place as a whole.
    kw::LineFileWriter out(output, kw::Durability::Staged);
    if (!out.isOpen()) {
        return false;
    }
    const std::string text = kw::utf8ToCp1252(documentationText(inputs, system, stamp, cal, ist));
    for (const std::string& line : *lines) {
        out.writeLine(line.rfind(kDocuLine, 0) == 0 ? line + text : line);
    }
    return out.commit();
}

} // namespace tarvik
