#pragma once

// The list of bus interfaces the tool offers. Candidates are made in a fixed order (USB860
// adapters, each followed by its 16-bit twin when in ULM860 mode; INT41 driver devices; INT41
// direct at 0x310 and 0x318; INT900 driver; INT900 direct) and placed one by one: an unusable
// candidate is destroyed at once; a listed one (or any usable one when Ctrl was held at start)
// goes to the shown list, the others to a reserve. When nothing was shown at the end, the
// reserve is shown instead; otherwise it is destroyed. The list owns its interfaces.

#include "korvane/interfaces/interface.h"
#include "korvane/interfaces/interface_context.h"

#include <memory>
#include <string>
#include <vector>

namespace korvane {

struct InterfaceList {
    std::vector<std::unique_ptr<CInterface>> shown;
    // The first shown interface, or none.
    CInterface* current = nullptr;
    // When nothing was found: one line about real adapters (how to configure them, or why the
    // one found cannot be used) for the "no interface" messages; may be empty.
    std::string hint;

    // The first shown interface whose matchesSelection answers true, or none.
    CInterface* select(int kind, const std::string& text) const;
};

class InterfacePlacement {
public:
    explicit InterfacePlacement(bool ctrlAtStart) : m_ctrlAtStart(ctrlAtStart) {}

    // Places one candidate. Returns it when it was kept (shown or reserve), else none.
    CInterface* place(std::unique_ptr<CInterface> candidate);
    InterfaceList finish();

private:
    bool m_ctrlAtStart;
    std::vector<std::unique_ptr<CInterface>> m_shown;
    std::vector<std::unique_ptr<CInterface>> m_reserve;
};

// Finds every device and builds the list.
InterfaceList buildInterfaceList(InterfaceContext context, bool ctrlAtStart);

} // namespace korvane
