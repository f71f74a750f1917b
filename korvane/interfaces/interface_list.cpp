#include "korvane/interfaces/interface_list.h"

CInterface* InterfaceList::select(int kind, const std::string& text) const {
    for (const auto& candidate : shown) {
        if (candidate->matchesSelection(kind, text)) {
            return candidate.get();
        }
    }
    return nullptr;
}

CInterface* InterfacePlacement::place(std::unique_ptr<CInterface> candidate) {
    if (!candidate || !candidate->isUsable()) {
        return nullptr;
    }
    CInterface* kept = candidate.get();
    if (candidate->isListed() || m_ctrlAtStart) {
        m_shown.push_back(std::move(candidate));
    } else {
        m_reserve.push_back(std::move(candidate));
    }
    return kept;
}

InterfaceList InterfacePlacement::finish() {
    InterfaceList list;
    list.shown = std::move(m_shown);
    if (list.shown.empty()) {
        list.shown = std::move(m_reserve);
    }
    m_reserve.clear();
    list.current = list.shown.empty() ? nullptr : list.shown.front().get();
    return list;
}
