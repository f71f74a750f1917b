#include "korvane/interfaces/interface_list.h"

#include "korvane/interfaces/int41_direct.h"
#include "korvane/interfaces/int41_driver.h"
#include "korvane/interfaces/int900_direct.h"
#include "korvane/interfaces/int900_driver.h"
#include "korvane/interfaces/usb_interface.h"

#include "common/devices/libusb_backend.h"

namespace korvane {

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

InterfaceList buildInterfaceList(InterfaceContext context, bool ctrlAtStart) {
    InterfacePlacement placement(ctrlAtStart);
    Usb860Finder usbFinder;
    while (auto adapter = usbFinder.next(context)) {
        CInterfaceUsb860* kept =
            static_cast<CInterfaceUsb860*>(placement.place(std::move(adapter)));
        // The twin is built on an adapter that was kept, right after it.
        if (kept != nullptr && kept->ulmMode()) {
            placement.place(std::make_unique<CInterfaceUlm860>(*kept));
        }
    }
    Int41DriverFinder int41Finder;
    while (auto driver = int41Finder.next(context)) {
        placement.place(std::move(driver));
    }
    for (const unsigned base : {0x310u, 0x318u}) {
        placement.place(std::make_unique<CInterfaceInt41Direct>(context, base));
    }
    placement.place(std::make_unique<CInterfaceInt900Driver>(context));
    placement.place(std::make_unique<CInterfaceInt900Direct>());
    InterfaceList list = placement.finish();
    if (list.shown.empty()) {
        list.hint = kw::usbAdapterHint();
    }
    return list;
}

} // namespace korvane
