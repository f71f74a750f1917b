#include "korvane/tool/interface_box.h"

namespace korvane {

int InterfaceBox::append(std::unique_ptr<CInterface> bus) {
    std::string text = bus->displayName();
    m_entries.push_back(Entry{std::move(bus), std::move(text)});
    return count() - 1;
}

void InterfaceBox::remove(int index) {
    if (index < 0 || index >= count()) {
        return;
    }
    m_entries.erase(m_entries.begin() + index);
    if (m_selected == index) {
        m_selected = -1;
    } else if (m_selected > index) {
        --m_selected;
    }
}

int InterfaceBox::indexOf(const CInterface* bus) const {
    for (int i = 0; i < count(); ++i) {
        if (m_entries[i].bus.get() == bus) {
            return i;
        }
    }
    return -1;
}

CInterface* InterfaceBox::selectedInterface() const {
    return m_selected >= 0 ? m_entries[m_selected].bus.get() : nullptr;
}

void InterfaceBox::clear() {
    while (!m_entries.empty()) {
        m_entries.pop_back();
    }
    m_selected = -1;
}

} // namespace korvane
