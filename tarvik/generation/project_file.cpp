#include "tarvik/generation/project_file.h"

#include "common/files/file_ops.h"
#include "common/text/cp1252.h"
#include "common/text/line_file.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/run_inputs.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <optional>

namespace tarvik {

namespace {

constexpr std::string_view kItemCount = "Item=";
constexpr std::string_view kItemPrefix = "Item_";
// Keys of an item line stand after "Item_<n>", and <n> has at least one digit.
constexpr std::size_t kMinimumKeyOffset = kItemPrefix.size() + 1;
constexpr std::string_view kFileKey = "_sFile=";
constexpr std::string_view kParentKey = "_nParent=";
constexpr std::string_view kPathKey = "_sPath=";

// Modules that only calibration folders of the other instrument, or 945 systems, use.
constexpr std::array<std::string_view, 6> kForeignModules = {
    "vortest_945.fct",  "bauteile_3458.fct",   "istwerterfassung_3458.fct",
    "dwb_cal_3458.fct", "pew860_cal_3458.fct", "print_cert_3458.fct"};

std::optional<int> leadingNumber(std::string_view text) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr == text.data()) {
        return std::nullopt;
    }
    return value;
}

std::size_t keyOffset(std::string_view line, std::string_view key) {
    const std::size_t at = line.find(key);
    return at != std::string_view::npos && at >= kMinimumKeyOffset ? at : std::string_view::npos;
}

bool contains(const std::vector<std::string>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

// "=" and the number. Appended rather than "=" + text: GCC 12 at -O3 takes the insert at the
// front of a temporary for an overlapping copy (-Wrestrict).
std::string assignedNumber(int number) {
    std::string text = "=";
    text += std::to_string(number);
    return text;
}

bool replaceFirst(std::string& line, const std::string& from, const std::string& to) {
    const std::size_t at = line.find(from);
    if (at == std::string::npos) {
        return false;
    }
    line.replace(at, from.size(), to);
    return true;
}

class ProjectRewriter {
public:
    ProjectRewriter(const RunInputs& inputs, CSystemInfo& system, bool cal, bool ist,
                    const std::vector<std::string>& deleteList)
        : m_inputs(inputs), m_system(system), m_cal(cal), m_ist(ist), m_deleteList(deleteList) {}

    std::vector<std::string> run(const std::vector<std::string>& lines);

private:
    struct Item {
        int newNumber = 0;
        bool removed = false;
        std::size_t start = 0; // output line where the item began
    };

    void itemLine(std::string line, int k);
    // The new value of an "_sFile=" line, or nothing when the item must go.
    std::optional<std::string> fileValue(const std::string& value) const;
    bool isRemovedModule(const std::string& value) const;
    std::optional<std::string> calibrationFileValue(const std::string& value) const;
    std::string settingLine(const std::string& line);

    const RunInputs& m_inputs;
    CSystemInfo& m_system;
    bool m_cal;
    bool m_ist;
    const std::vector<std::string>& m_deleteList;

    std::vector<std::string> m_out;
    std::optional<std::size_t> m_countLine;
    int m_lastItem = -1;
    int m_newIndex = -1;
    std::map<int, Item> m_items;
    std::map<int, int> m_renumbered;
};

bool ProjectRewriter::isRemovedModule(const std::string& value) const {
    return std::find(kForeignModules.begin(), kForeignModules.end(), value) !=
               kForeignModules.end() ||
           contains(m_deleteList, value);
}

std::optional<std::string> ProjectRewriter::calibrationFileValue(const std::string& value) const {
    const bool keysight = m_inputs.instrument == Instrument::Keysight3458A;
    struct Rename {
        const char* from;
        const char* to;
        const char* alternative; // when both variants are deleted, the item goes
    };
    static const std::array<Rename, 5> renames = {{
        {"bauteile.fct", "Bauteile_3458.fct", nullptr},
        {"istwerterfassung.fct", "Istwerterfassung_3458.fct", nullptr},
        {"dwb_cal.fct", "DWB_CAL_3458.fct", "dwb_cal_3458.fct"},
        {"pew860_cal.fct", "PEW860_CAL_3458.fct", "pew860_cal_3458.fct"},
        {"print_cert.fct", "print_cert_3458.fct", nullptr},
    }};
    for (const Rename& rename : renames) {
        if (value != rename.from) {
            continue;
        }
        if (rename.alternative != nullptr && contains(m_deleteList, rename.from) &&
            contains(m_deleteList, rename.alternative)) {
            break;
        }
        return keysight ? std::string(rename.to) : value;
    }
    return isRemovedModule(value) ? std::nullopt : std::optional<std::string>(value);
}

std::optional<std::string> ProjectRewriter::fileValue(const std::string& value) const {
    if (value == "vortest.fct") {
        return m_system.systemType == 945 ? std::string("vortest_945.fct") : value;
    }
    if (m_cal) {
        return calibrationFileValue(value);
    }
    return isRemovedModule(value) ? std::nullopt : std::optional<std::string>(value);
}

void ProjectRewriter::itemLine(std::string line, int k) {
    if (k > m_lastItem) {
        m_lastItem = k;
        m_newIndex += 1;
        m_items[k] = {m_newIndex, false, m_out.size()};
    }
    const auto found = m_items.find(k);
    if (found == m_items.end()) {
        m_out.push_back(line); // a stray line of an item that never started
        return;
    }
    Item& item = found->second;
    if (item.removed) {
        return;
    }
    if (const std::size_t at = keyOffset(line, kFileKey); at != std::string::npos) {
        const std::string value = line.substr(at + kFileKey.size());
        if (!value.empty()) {
            const auto newValue = fileValue(value);
            if (!newValue) {
                if (m_countLine && *m_countLine >= item.start) {
                    m_countLine.reset(); // the count line stood inside the removed item
                }
                m_out.resize(item.start);
                m_newIndex -= 1;
                item.removed = true;
                return;
            }
            line = line.substr(0, at + kFileKey.size()) + *newValue;
        }
    } else if (const std::size_t parentAt = keyOffset(line, kParentKey);
               parentAt != std::string::npos) {
        const auto parent =
            leadingNumber(std::string_view(line).substr(parentAt + kParentKey.size()));
        if (parent) {
            if (const auto renumbered = m_renumbered.find(*parent);
                renumbered != m_renumbered.end()) {
                replaceFirst(line, assignedNumber(*parent), assignedNumber(renumbered->second));
            }
        }
    } else if (const std::size_t pathAt = keyOffset(line, kPathKey);
               m_cal && pathAt != std::string::npos) {
        // A calibration project points to its self-test folder; the file is Windows-1252,
        // the path (UTF-8 here) is converted like every other text written into it.
        line = line.substr(0, pathAt + kPathKey.size()) +
               kw::utf8ToCp1252((m_inputs.folderPath(false, m_ist) / "").string());
    }
    if (k != item.newNumber) {
        replaceFirst(line, std::string(kItemPrefix) + std::to_string(k) + "_",
                     std::string(kItemPrefix) + std::to_string(item.newNumber) + "_");
        m_renumbered[k] = item.newNumber;
    }
    m_out.push_back(line);
}

std::string ProjectRewriter::settingLine(const std::string& line) {
    const bool qbt520 = m_system.slots[0].typeCode == CardType::Qbt520;
    if (startsWith(line, "FileTypeBits=")) {
        return qbt520 ? "FileTypeBits=1" : "FileTypeBits=2";
    }
    if (startsWith(line, "MeasureSystem2Use=")) {
        return qbt520 ? "MeasureSystem2Use=0" : "MeasureSystem2Use=1";
    }
    if (startsWith(line, "MeasureSystemAuto2Use=")) {
        return "MeasureSystemAuto2Use=0";
    }
    if (startsWith(line, "PIN_KAP_WERT=100 pF") && m_system.systemType == 945 &&
        m_system.hasSeqCard()) {
        return "PIN_KAP_WERT=90 pF";
    }
    const CardInfo& dax = m_system.slots[50];
    if (startsWith(line, "Dax19ASNg520=1") && dax.typeCode == CardType::Multi && dax.variant == 3) {
        return "Dax19ASNg520=0";
    }
    return line;
}

std::vector<std::string> ProjectRewriter::run(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (startsWith(line, kItemCount)) {
            m_countLine = m_out.size();
            m_out.push_back(line);
        } else if (startsWith(line, kItemPrefix)) {
            const auto k = leadingNumber(std::string_view(line).substr(kItemPrefix.size()));
            if (k && *k >= 0) {
                itemLine(line, *k);
            } else {
                m_out.push_back(line);
            }
        } else {
            m_out.push_back(settingLine(line));
        }
    }
    // The count is that of the items actually written, whatever the delete list held.
    if (m_countLine) {
        m_out[*m_countLine] = std::string(kItemCount) + std::to_string(m_newIndex + 1);
    }
    return std::move(m_out);
}

} // namespace

std::vector<std::string> rewriteProjectLines(const std::vector<std::string>& lines,
                                             const RunInputs& inputs, CSystemInfo& system, bool cal,
                                             bool ist, const std::vector<std::string>& deleteList) {
    return ProjectRewriter(inputs, system, cal, ist, deleteList).run(lines);
}

bool rewriteProjectFile(const RunInputs& inputs, CSystemInfo& system,
                        const std::filesystem::path& input, const std::filesystem::path& folder,
                        bool cal, bool ist, const std::vector<std::string>& deleteList) {
    const auto lines = kw::readLineFile(input);
    if (!lines) {
        return false;
    }
    // The folder is a staging folder that is renamed into place as a whole.
    return kw::writeLineFile(folder / (inputs.folderName(cal, ist) + ".860"),
                             rewriteProjectLines(*lines, inputs, system, cal, ist, deleteList),
                             kw::Durability::Staged);
}

} // namespace tarvik
