#include "tarvik/app/configuration_list.h"

#include "tarvik/config/system_info.h"

namespace tarvik {

namespace {

bool isSlotAddress(int address) {
    return address >= 0 && address < CSystemInfo::kSlotCount;
}

} // namespace

RowTexts rowTexts(CSystemInfo& system, int positionIndex) {
    RowTexts texts;
    texts.position = system.positionName(positionIndex);
    const int address = system.positions.at(positionIndex).cardAddress;
    if (isSlotAddress(address)) {
        texts.card = cardName(system.slots[address], false);
        texts.detail = cardDetail(system.slots[address]);
    }
    texts.module = system.moduleName(positionIndex);
    return texts;
}

ConfigurationList::ConfigurationList(CSystemInfo& system) : m_system(system) {
    m_system.buildPositions();
    for (int i = 0; i < m_system.visibleCount(); ++i) {
        m_rowPositions.push_back(i);
    }
}

RowTexts ConfigurationList::rowTexts(int row) const {
    return tarvik::rowTexts(m_system, positionOfRow(row));
}

ConfigurationList::Menu ConfigurationList::contextMenu(int row, int column) const {
    if (row < 0 || row >= rowCount()) {
        if (!canShowAnotherPosition()) {
            return {};
        }
        return {MenuKind::AddPosition, -1, {"Position hinzufügen"}};
    }
    return column == ListColumn::Module ? usageMenu(row) : cardMenu(row);
}

bool ConfigurationList::canShowAnotherPosition() const {
    return m_system.canAddVisiblePosition() &&
           rowCount() < static_cast<int>(m_system.positions.size());
}

ConfigurationList::Menu ConfigurationList::cardMenu(int row) const {
    const int address = m_system.positions.at(positionOfRow(row)).cardAddress;
    return {MenuKind::Card, row, cardChoiceTexts(address)};
}

ConfigurationList::Menu ConfigurationList::usageMenu(int row) const {
    Menu menu{MenuKind::Usage, row, {}};
    for (int k = 0;; ++k) {
        std::string text = m_system.usageChoice(positionOfRow(row), k);
        if (text.empty()) {
            break;
        }
        menu.entries.push_back(std::move(text));
    }
    if (menu.entries.empty()) {
        return {};
    }
    return menu;
}

ConfigurationList::Change ConfigurationList::choose(const Menu& menu, int entry) {
    if (entry < 0 || entry >= static_cast<int>(menu.entries.size())) {
        return Change::None;
    }
    switch (menu.kind) {
    case MenuKind::AddPosition: {
        // The menu may be stale when the last hidden position was shown in the meantime.
        if (!canShowAnotherPosition()) {
            return Change::None;
        }
        const int index = m_system.addVisiblePosition();
        if (index != rowCount()) {
            return Change::None; // the configuration shows no further position
        }
        m_rowPositions.push_back(index);
        return Change::RowAdded;
    }
    case MenuKind::Usage:
        return m_system.setUsage(positionOfRow(menu.row), entry) ? Change::ModulesChanged
                                                                 : Change::None;
    case MenuKind::Card: {
        const int address = m_system.positions.at(positionOfRow(menu.row)).cardAddress;
        const CardInfo* card = cardChoice(address, entry);
        if (card == nullptr || !isSlotAddress(address)) {
            return Change::None; // "(nicht belegbar)"
        }
        m_system.slots[address] = *card;
        return Change::CardChanged;
    }
    case MenuKind::None:
        break;
    }
    return Change::None;
}

int widenedDetailWidth(int positionWidth, int cardWidth, int detailWidth, int labelOffset) {
    const int used = positionWidth + cardWidth + detailWidth;
    return used < labelOffset ? detailWidth + (labelOffset - used) : detailWidth;
}

} // namespace tarvik
