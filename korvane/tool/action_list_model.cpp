#include "korvane/tool/action_list_model.h"

#include "korvane/interfaces/interface.h"

#include "common/text/cp1252.h"
#include "common/text/line_file.h"

#include <algorithm>

namespace korvane {

std::string rangeViolation(const CAction& action, const CInterface& bus) {
    struct Field {
        const char* name;
        std::int32_t value;
        int low;
        int high;
    };
    const Field fields[] = {
        {"Systemadresse", action.systemAddress(), bus.minSystemAddress(), bus.maxSystemAddress()},
        {"Kartenadresse", action.cardAddress(), bus.minCardAddress(), bus.maxCardAddress()},
        {"Funktionsadresse", action.functionAddress(), bus.minFunctionAddress(),
         bus.maxFunctionAddress()},
        {"Daten", action.isSend() ? action.data() : bus.minData(), bus.minData(), bus.maxData()},
    };
    for (const Field& field : fields) {
        if (field.value < field.low || field.value > field.high) {
            return std::string(field.name) + " " + std::to_string(field.value) +
                   " liegt nicht in " + std::to_string(field.low) + "-" +
                   std::to_string(field.high);
        }
    }
    return {};
}

std::string ActionListModel::resultText(int index) const {
    const Row& row = m_rows.at(index);
    if (!row.refusal.empty()) {
        return kNotSentText;
    }
    return row.shownResult ? std::to_string(*row.shownResult) : std::string();
}

int ActionListModel::insertAction(int index, const CAction& action) {
    index = std::clamp(index, 0, count());
    m_rows.insert(m_rows.begin() + index, Row{action, std::nullopt, {}, 0});
    if (m_selected >= index) {
        ++m_selected;
    }
    observer().rowInserted(index);
    return index;
}

void ActionListModel::appendAction(const CAction& action, bool startEditing) {
    const int index = insertAction(count(), action);
    if (startEditing) {
        observer().labelEditRequested(index);
    }
}

void ActionListModel::newSendAction(int systemAddress, int cardAddress, int functionAddress,
                                    int data, int delay) {
    CAction action;
    action.setSend(systemAddress, cardAddress, functionAddress, data, delay,
                   CAction::kNewActionText);
    appendAction(action, true);
}

void ActionListModel::newReceiveAction(int systemAddress, int cardAddress, int functionAddress,
                                       int delay) {
    CAction action;
    action.setReceive(systemAddress, cardAddress, functionAddress, delay, CAction::kNewActionText);
    appendAction(action, true);
}

void ActionListModel::moveAction(int source, int target) {
    if (!isRow(source) || target < 0 || target > count()) {
        return;
    }
    const CAction moved = m_rows[source].action;
    deleteRow(source);
    insertAction(source < target ? target - 1 : target, moved);
}

void ActionListModel::deleteRow(int index) {
    if (!isRow(index)) {
        return;
    }
    m_rows.erase(m_rows.begin() + index);
    const bool selectedRemoved = m_selected == index;
    if (selectedRemoved) {
        m_selected = -1;
    } else if (m_selected > index) {
        --m_selected;
    }
    observer().rowRemoved(index);
    if (selectedRemoved) {
        selectionRemoved();
    }
}

void ActionListModel::deleteAll() {
    const bool selectedRemoved = m_selected >= 0;
    m_rows.clear();
    m_selected = -1;
    observer().rowsCleared();
    if (selectedRemoved) {
        selectionRemoved();
    }
}

void ActionListModel::selectionRemoved() {
    observer().selectionChanged(-1);
    if (m_selectionListener) {
        m_selectionListener->selectionRemoved();
    }
}

void ActionListModel::select(int index) {
    index = isRow(index) ? index : -1;
    const bool changes = index != m_selected;
    if (changes && m_selectionListener) {
        m_selectionListener->selectionChanging();
    }
    m_selected = index;
    observer().selectionChanged(m_selected);
    if (changes && m_selectionListener) {
        m_selectionListener->selectionChanged(m_selected);
    }
}

CAction* ActionListModel::selectedAction() {
    return isRow(m_selected) ? &m_rows[m_selected].action : nullptr;
}

std::string ActionListModel::selectedText() const {
    return isRow(m_selected) ? m_rows[m_selected].action.text() : std::string();
}

void ActionListModel::deleteSelected() {
    deleteRow(m_selected);
}

void ActionListModel::setLabel(int index, std::string text) {
    if (!isRow(index)) {
        return;
    }
    m_rows[index].action.setText(std::move(text));
    observer().rowChanged(index);
}

int ActionListModel::executeAll(CInterface* bus) {
    int refused = 0;
    for (int index = 0; index < count(); ++index) {
        Row& row = m_rows[index];
        row.refusal = bus ? rangeViolation(row.action, *bus) : std::string();
        if (row.refusal.empty()) {
            row.action.execute(bus);
        } else {
            ++refused;
        }
        row.shownResult = row.action.result();
        observer().resultShown(index);
    }
    return refused;
}

bool ActionListModel::saveToFile(const std::filesystem::path& path) const {
    kw::LineFileWriter writer(path);
    if (!writer.isOpen()) {
        return false;
    }
    for (const Row& row : m_rows) {
        writer.writeLine(kw::utf8ToCp1252(row.action.toText()));
    }
    return writer.commit();
}

bool ActionListModel::loadFromFile(const std::filesystem::path& path) {
    return loadSequenceFile(path).loaded;
}

ActionListModel::FileLoad ActionListModel::loadSequenceFile(const std::filesystem::path& path) {
    FileLoad load;
    const auto lines = kw::readLineFile(path, kMaxSequenceFileBytes, &load.problem);
    if (!lines) {
        return load;
    }
    load.loaded = true;
    int number = 0;
    for (const std::string& line : *lines) {
        ++number;
        CAction action;
        if (!action.parse(kw::cp1252ToUtf8(line))) {
            // An empty line between actions is no mistake worth a word.
            if (line.find_first_not_of(" \t") != std::string::npos) {
                load.rejectedLines.push_back(number);
            }
            continue;
        }
        appendAction(action, false);
        m_rows.back().fileLine = number;
    }
    return load;
}

} // namespace korvane
