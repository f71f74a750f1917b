#include "tarvik/app/main_dialog_model.h"

#include "tarvik/config/system_info.h"
#include "tarvik/generation/documentation.h"
#include "tarvik/generation/target_directory.h"

#include <span>

namespace tarvik {

namespace fs = std::filesystem;

const char* const kXab60VQuestion = "Ist ein XAB-60V im System vorhanden?";
const char* const kXab60VLabel = "XAB-60V vorhanden";

namespace {

// The card's extra value for each answer of the variant dialogs.
constexpr int kKvrExtras[] = {1, 2, 3}; // without, two positive, positive and negative supply
constexpr int kFjnExtras[] = {1, 2};    // 8 channels, 4 channels

bool isDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

} // namespace

RunInputs initialRunInputs(const fs::path& programFolder) {
    RunInputs inputs;
    inputs.setProgramFolder(programFolder);
    inputs.targetDirectory = defaultTargetDirectory();
    return inputs;
}

MainDialogModel::MainDialogModel(CSystemInfo& system, RunInputs inputs, GenerationStarter starter)
    : m_list(system), m_inputs(std::move(inputs)), m_starter(std::move(starter)) {}

std::string MainDialogModel::caption() const {
    return "Kontrollwerk " + templateVersion(m_inputs.programFolder);
}

std::vector<std::string> MainDialogModel::missingTemplateMessages() const {
    std::vector<std::string> messages;
    if (!isDirectory(m_inputs.templateSelPath)) {
        messages.emplace_back("Die Vorlagen-Testmappe für den Selbsttest ist nicht vorhanden!");
    }
    if (!isDirectory(m_inputs.templateCalPath)) {
        messages.emplace_back("Die Vorlagen-Testmappe für die Kalibrierung ist nicht vorhanden!");
    }
    return messages;
}

std::vector<VariantQuestion> MainDialogModel::beginFirstShow() {
    m_firstShowPending = false;
    std::vector<VariantQuestion> questions;
    CSystemInfo& system = m_list.system();
    for (int row = 0; row < m_list.rowCount(); ++row) {
        const int position = m_list.positionOfRow(row);
        const int address = system.positions[position].cardAddress;
        if (address < 0 || address >= CSystemInfo::kSlotCount) {
            continue;
        }
        const CardType type = system.slots[address].typeCode;
        if (type != CardType::Kvr860 && type != CardType::Fjn860) {
            continue;
        }
        const VariantKind kind = type == CardType::Kvr860 ? VariantKind::Kvr : VariantKind::Fjn;
        questions.push_back(
            {row, kind, std::to_string(questions.size() + 1) + ".", system.positionName(position)});
    }
    return questions;
}

void MainDialogModel::applyVariantChoice(const VariantQuestion& question, int choice) {
    const std::span<const int> extras = question.kind == VariantKind::Kvr
                                            ? std::span<const int>(kKvrExtras)
                                            : std::span<const int>(kFjnExtras);
    if (choice < 0 || choice >= static_cast<int>(extras.size())) {
        return;
    }
    CSystemInfo& system = m_list.system();
    CardInfo& slot = system.slots[system.positions[m_list.positionOfRow(question.row)].cardAddress];
    slot = internCardInfo(slot.typeCode, slot.variant, extras[choice]);
}

bool MainDialogModel::asksForXab60V() const {
    const int type = m_list.system().systemType;
    return type != 945 && type != 930;
}

void MainDialogModel::setXab60V(bool present) {
    m_list.system().hasXab60V = present;
}

bool MainDialogModel::generate(UserInterface& ui) {
    return m_starter(m_list.system(), m_inputs, ui);
}

} // namespace tarvik
