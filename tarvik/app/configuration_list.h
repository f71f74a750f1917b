#pragma once

// The configuration list of the main dialog without widgets: the texts of its rows, the
// right-click menus and what choosing one of their entries changes in the configuration,
// and the width rule that keeps the fourth column below its label "Selbsttest:".

#include <string>
#include <vector>

namespace tarvik {

class CSystemInfo;

// The four columns of one row: position, card name, card detail, module name.
struct RowTexts {
    std::string position;
    std::string card;
    std::string detail;
    std::string module;

    friend bool operator==(const RowTexts&, const RowTexts&) = default;
};

// The texts of the row that shows a position. Card name and detail stay empty when the
// position cannot take a card.
RowTexts rowTexts(CSystemInfo& system, int positionIndex);

namespace ListColumn {
constexpr int Position = 0;
constexpr int Card = 1;
constexpr int Detail = 2;
constexpr int Module = 3;
} // namespace ListColumn

class ConfigurationList {
public:
    enum class MenuKind { None, AddPosition, Usage, Card };

    // A right-click menu: its entries in order, for the row it was opened on (-1: no row).
    struct Menu {
        MenuKind kind = MenuKind::None;
        int row = -1;
        std::vector<std::string> entries;
    };

    // What choosing a menu entry changed, so that the view redraws just that.
    enum class Change {
        None,
        RowAdded,       // a new last row; its position name is set, the rest empty
        CardChanged,    // columns 1 and 2 of the menu's row and the whole module column
        ModulesChanged, // the module column of all rows
    };

    // One row per shown position; the positions are built first when there are none.
    explicit ConfigurationList(CSystemInfo& system);

    CSystemInfo& system() const { return m_system; }
    int rowCount() const { return static_cast<int>(m_rowPositions.size()); }
    int positionOfRow(int row) const { return m_rowPositions.at(row); }
    RowTexts rowTexts(int row) const;

    // The menu for a click on a row and column, or on the empty part of the list (row -1).
    Menu contextMenu(int row, int column) const;

    // Acts on the entry-th entry of a menu.
    Change choose(const Menu& menu, int entry);

private:
    bool canShowAnotherPosition() const;
    Menu cardMenu(int row) const;
    Menu usageMenu(int row) const;

    CSystemInfo& m_system;
    std::vector<int> m_rowPositions;
};

// New width of the detail column (column 2): widened so that the module column starts at
// labelOffset (the distance from the list's left edge to the label "Selbsttest:") when the
// first three columns end before it; otherwise unchanged.
int widenedDetailWidth(int positionWidth, int cardWidth, int detailWidth, int labelOffset);

} // namespace tarvik
