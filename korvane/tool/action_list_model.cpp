#include "korvane/tool/action_list_model.h"

#include "common/text/cp1252.h"
#include "common/text/line_file.h"

#include <algorithm>

std::string ActionListModel::resultText(int index) const {
    const auto& shown = m_rows.at(index).shownResult;
    return shown ? std::to_string(*shown) : std::string();
}

int ActionListModel::insertAction(int index, const CAction& action) {
    index = std::clamp(index, 0, count());
    m_rows.insert(m_rows.begin() + index, Row{action, std::nullopt});
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

void ActionListModel::executeAll(CInterface* bus) {
    for (int index = 0; index < count(); ++index) {
        Row& row = m_rows[index];
        row.action.execute(bus);
        row.shownResult = row.action.result();
        observer().resultShown(index);
    }
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
    const auto lines = kw::readLineFile(path);
    if (!lines) {
        return false;
    }
    for (const std::string& line : *lines) {
        CAction action;
        if (action.parse(kw::cp1252ToUtf8(line))) {
            appendAction(action, false);
        }
    }
    return true;
}
