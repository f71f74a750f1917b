#pragma once

// CResetHandler: the reset module "resettest0.rst". Its template holds one reset step for a
// single card, marked by "{name}" in a data line; that step is written once per entry of the
// run's reset list (numbered n, n+10, n+20 ...) with the entry's name, bus address,
// configuration statement and init string. Steps without "{name}" are written unchanged.
// With an empty list the named step and every step after it are dropped.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/module_file_handler.h"

#include <vector>

namespace tarvik {

class CResetHandler : public CModuleFileHandler {
public:
    explicit CResetHandler(std::vector<CResetInfo> resetList);

    bool Prepare() override;

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

private:
    const CResetInfo* current() const;
    std::string initLine(const CResetInfo& entry) const;

    std::vector<CResetInfo> m_list;
    std::size_t m_position = 0; // index of the current entry
    bool m_inNamedStep = false;
};

} // namespace tarvik
