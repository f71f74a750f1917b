#pragma once

// The data one generation run derives from the configuration before it writes anything:
// which modules each folder kind deletes, one ordered record list per card family, and the
// cards the reset module initialises.

#include "tarvik/config/card_catalogue.h"
#include "tarvik/config/card_records.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

class CSystemInfo;
class UserInterface;

// A module row: the card kind (variant -1 matches every variant) and its modules.
struct ModuleRow {
    CardType typeCode;
    int variant;
    std::string_view firstModule;
    std::string_view secondModule; // empty when the card has one module
};

// All rows; the calibration folders use the first kCalibrationModuleRows of them.
const std::vector<ModuleRow>& moduleRows();
constexpr int kCalibrationModuleRows = 22;

struct RunData {
    std::vector<std::string> selfTestDeleteList;
    std::vector<std::string> calDeleteList;
    std::vector<CKvrInfo> kvrList;
    std::vector<CSewInfo> sewList;
    std::vector<CLogInfo> logList;
    std::vector<CGat84Info> gat84List;
    std::vector<CNorvInfo> norvList;
    std::vector<CSeqInfo> seqList;
    std::vector<CFjnInfo> fjnList;
    std::vector<CJelInfo> jelList;
    std::vector<CTqdInfo> tqdList;
    std::vector<CDwbInfo> dwbList;
    std::vector<CYotInfo> yotList;
    std::vector<CBaqInfo> baqList;
    std::vector<CGivInfo> givList;
    std::vector<CResetInfo> resetList;

    bool isDeletedFromSelfTest(const std::string& module) const;
    bool isDeletedFromCal(const std::string& module) const;
};

// Builds the run data from the shown positions of the configuration; reports one detail step
// per position through the user interface.
RunData prepareRunData(CSystemInfo& system, int instrument, UserInterface& ui);

} // namespace tarvik
