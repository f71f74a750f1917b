#pragma once

// The entries of the main dialog's interface drop-down list: each holds its interface, which
// the box owns, and the text shown for it. The selected entry is tracked like the list's own
// selection: removing it leaves no entry selected.

#include "korvane/interfaces/interface.h"

#include <memory>
#include <string>
#include <vector>

namespace korvane {

class InterfaceBox {
public:
    int count() const { return static_cast<int>(m_entries.size()); }
    CInterface& interface(int index) const { return *m_entries.at(index).bus; }
    const std::string& text(int index) const { return m_entries.at(index).text; }

    // Appends the interface with its displayName as text; returns its index.
    int append(std::unique_ptr<CInterface> bus);
    // Removes the entry and destroys its interface.
    void remove(int index);
    // The index of the entry holding the interface, or -1.
    int indexOf(const CInterface* bus) const;

    // -1: none.
    int selected() const { return m_selected; }
    void select(int index) { m_selected = index >= 0 && index < count() ? index : -1; }
    CInterface* selectedInterface() const;

    // Destroys every interface, the last entry first.
    void clear();

private:
    struct Entry {
        std::unique_ptr<CInterface> bus;
        std::string text;
    };
    std::vector<Entry> m_entries;
    int m_selected = -1;
};

} // namespace korvane
