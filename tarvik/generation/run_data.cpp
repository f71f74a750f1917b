#include "tarvik/generation/run_data.h"

#include "tarvik/config/system_info.h"
#include "tarvik/generation/run_inputs.h"
#include "tarvik/generation/user_interface.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kAnyVariant = -1;

// Running numbers of one pass. Several card families share a channel numbering or a card
// series, so one counter serves several of them.
struct Counters {
    int sharedMatrixBase = 1;   // KVR, SEQ and NORV channels
    int sharedLogicBase = 1;    // SEQ, GAT84, LOG and NORV channels
    int sharedRelayBase = 1;    // SEW and SEQ relays
    int matrixCardNumber = 1;   // KVR, SEQ and NORV cards
    int logicCardNumber = 1;    // SEQ, GAT84, LOG and NORV cards
    int fjnBase = 1, fjnNumber = 1;
    int jelBase = 1, jelNumber = 1;
    int tqdBase = 1;
    int dwbBase = 1, dwbNumber = 1;
    int yotBase = 1;
    int baqBase = 1;
    int givBase = 1;
};

void addOnce(std::vector<std::string>& list, const std::string& name) {
    if (std::find(list.begin(), list.end(), name) == list.end()) {
        list.push_back(name);
    }
}

void removeAll(std::vector<std::string>& list, const std::string& name) {
    list.erase(std::remove(list.begin(), list.end(), name), list.end());
}

bool contains(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

void addFixedDeleteEntries(RunData& data, const CSystemInfo& system, int instrument) {
    auto addAll = [](std::vector<std::string>& list, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            addOnce(list, name);
        }
    };
    if (system.systemType == 945) {
        addAll(data.selfTestDeleteList, {"vortest.fct", "ulm520.fct", "ulm860.fct", "rng.fct"});
        addAll(data.calDeleteList, {"vortest.fct", "ulm520.fct", "ulm860.fct", "rng.fct"});
    } else {
        addAll(data.selfTestDeleteList, {"vortest_945.fct", "ng_gen.fct"});
        addAll(data.calDeleteList, {"vortest_945.fct", "dekoder_945.fct", "ng_gen.fct"});
    }
    if (instrument == Instrument::Keithley2000) {
        addAll(data.calDeleteList,
               {"bauteile_3458.fct", "Istwerterfassung_3458.fct", "print_cert_3458.fct"});
    } else {
        addAll(data.calDeleteList, {"bauteile.fct", "Istwerterfassung.fct", "print_cert.fct"});
    }
    if (!system.hasXab60V) {
        addOnce(data.selfTestDeleteList, "xab60v.fct");
        addOnce(data.calDeleteList, "xab60v.fct");
    }
    addAll(data.selfTestDeleteList, {"sew.fct", "seq.fct", "ow520.fct", "ow860.fct", "dax19.fct"});
    addAll(data.calDeleteList,
           {"sew.fct", "seq.fct", "ow520.fct", "ow860.fct", "dwb_cal.fct", "dwb_cal_3458.fct",
            "pew860_cal.fct", "pew860_cal_3458.fct", "dax19.fct"});
    const auto& rows = moduleRows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const char* module : {rows[r].firstModule, rows[r].secondModule}) {
            if (module == nullptr) {
                continue;
            }
            addOnce(data.selfTestDeleteList, module);
            if (r < kCalibrationModuleRows) {
                addOnce(data.calDeleteList, module);
            }
        }
    }
}

int sewRelayCount(int variant) { return variant == 2 || variant == 64 ? 64 : variant == 96 ? 96 : 32; }

int sewRelayKind(int variant) {
    switch (variant) {
    case 0: return 1;
    case 2:
    case 4: return 2;
    case 32:
    case 64:
    case 96: return 3;
    default: return 0;
    }
}

int tqdSupplyFit(int variant) {
    switch (variant & 0xFF) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 3;
    case 4: return 4;
    default: return 0;
    }
}

// One pass step: keeps the modules of a card and appends its record.
class PositionPass {
public:
    PositionPass(RunData& data, CSystemInfo& system, int instrument)
        : m_data(data), m_system(system), m_instrument(instrument) {}

    void visit(int index);

private:
    void keep(const std::string& module) {
        removeAll(m_data.selfTestDeleteList, module);
        removeAll(m_data.calDeleteList, module);
    }
    void keepForCalibration(const std::string& module) { removeAll(m_data.calDeleteList, module); }
    void keepModulesOfRow(const CardInfo& card);
    void visitMulti(const CardInfo& card, int n);

    RunData& m_data;
    CSystemInfo& m_system;
    int m_instrument;
    Counters m_c;
};

void PositionPass::keepModulesOfRow(const CardInfo& card) {
    for (const ModuleRow& row : moduleRows()) {
        if (row.typeCode == card.typeCode &&
            (row.variant == kAnyVariant || row.variant == card.variant)) {
            keep(row.firstModule);
            if (row.secondModule != nullptr) {
                keep(row.secondModule);
            }
            return;
        }
    }
}

void PositionPass::visitMulti(const CardInfo& card, int n) {
    switch (card.variant) {
    case 1:
        keep("yot.fct");
        m_data.yotList.push_back({m_c.yotBase, static_cast<int>(m_data.yotList.size()) + 1, n});
        m_c.yotBase += 16;
        break;
    case 2:
    case 5:
        keep("pew860.fct");
        keepForCalibration(m_instrument == Instrument::Keithley2000 ? "pew860_cal.fct"
                                                                     : "pew860_cal_3458.fct");
        break;
    case 3:
        keep("dax19.fct");
        addOnce(m_data.selfTestDeleteList, "rng.fct");
        addOnce(m_data.calDeleteList, "rng.fct");
        break;
    case 4:
        keep("baq.fct");
        m_data.baqList.push_back({m_c.baqBase, static_cast<int>(m_data.baqList.size()) + 1, n});
        m_c.baqBase += 48;
        break;
    case 6:
        keep("giv.fct");
        m_data.givList.push_back({m_c.givBase, static_cast<int>(m_data.givList.size()) + 1, n});
        m_c.givBase += 16;
        break;
    default: keepModulesOfRow(card); break;
    }
}

void PositionPass::visit(int index) {
    const SelPosition& position = m_system.positions[index];
    if (position.cardAddress < 0 || position.cardAddress >= CSystemInfo::kSlotCount) {
        return;
    }
    const CardInfo card = m_system.slots[position.cardAddress];
    // countFamily reads 0 as "all positions"; the first position has no earlier ones.
    const int earlier = index == 0 ? 0 : m_system.countFamily(m_system.effectiveFamily(index), index);
    const int n = earlier + 1;
    switch (card.typeCode) {
    case CardType::Sew:
        if (card.variant == 5) {
            keep("seq.fct");
            m_data.seqList.push_back({m_c.sharedMatrixBase, m_c.sharedLogicBase, m_c.sharedRelayBase,
                                      m_c.logicCardNumber, n});
            m_c.sharedMatrixBase += 24, m_c.sharedLogicBase += 32, m_c.sharedRelayBase += 32;
            m_c.matrixCardNumber += 1, m_c.logicCardNumber += 1;
        } else {
            keep("sew.fct");
            const int size = sewRelayCount(card.variant);
            m_data.sewList.push_back({m_c.sharedRelayBase, size, sewRelayKind(card.variant)});
            m_c.sharedRelayBase += size;
        }
        break;
    case CardType::Kvr860: {
        keep("kvr.fct");
        const int fit = card.extra >= 1 && card.extra <= 3 ? card.extra : 0;
        const bool asTqd = m_system.moduleName(index).rfind(familyCode(Family::Tqd), 0) == 0;
        m_data.kvrList.push_back({m_c.sharedMatrixBase, fit, m_c.matrixCardNumber, n,
                                  static_cast<std::uint8_t>(asTqd)});
        m_c.sharedMatrixBase += 24, m_c.matrixCardNumber += 1;
        break;
    }
    case CardType::Gat:
        if (card.variant != 2) {
            keepModulesOfRow(card);
            break;
        }
        keep("gat84.fct");
        m_data.gat84List.push_back({m_c.sharedLogicBase, m_c.logicCardNumber, n});
        m_c.sharedLogicBase += 96, m_c.logicCardNumber += 1;
        break;
    case CardType::Ow: keep(card.variant == 1 ? "ow860.fct" : "ow520.fct"); break;
    case CardType::Log:
        keep("logik.fct");
        m_data.logList.push_back({m_c.sharedLogicBase, m_c.logicCardNumber, n,
                                  static_cast<std::uint8_t>(card.variant != 11)});
        m_c.sharedLogicBase += 32, m_c.logicCardNumber += 1;
        break;
    case CardType::Fjn860: {
        keep("fjn.fct");
        const int channels = card.extra == 1 || card.extra == 2 ? card.extra : 0;
        m_data.fjnList.push_back({m_c.fjnBase, channels, m_c.fjnNumber, n});
        m_c.fjnBase += 8, m_c.fjnNumber += 1;
        break;
    }
    case CardType::Jel6:
        keep("jel_ict.ict");
        keep("jel_fkt.fct");
        m_data.jelList.push_back({m_c.jelBase, m_c.jelNumber, n});
        m_c.jelBase += 8, m_c.jelNumber += 1;
        break;
    case CardType::Tqd: {
        keep("tqd.fct");
        const int fit = tqdSupplyFit(card.variant);
        m_data.tqdList.push_back(
            {n, m_c.tqdBase, fit, static_cast<std::uint8_t>((card.variant >> 8) & 1)});
        m_c.tqdBase += fit == 4 ? 72 : 48;
        break;
    }
    case CardType::Norv860:
        keep("norv.fct");
        m_data.norvList.push_back({m_c.sharedMatrixBase, m_c.sharedLogicBase, m_c.logicCardNumber, n});
        m_c.sharedMatrixBase += 24, m_c.sharedLogicBase += 32;
        m_c.matrixCardNumber += 1, m_c.logicCardNumber += 1;
        break;
    case CardType::Dwb860:
        keep("dwb.fct");
        keepForCalibration(m_instrument == Instrument::Keithley2000 ? "dwb_cal.fct"
                                                                     : "dwb_cal_3458.fct");
        m_data.dwbList.push_back({m_c.dwbBase, m_c.dwbNumber, n});
        m_c.dwbBase += 16, m_c.dwbNumber += 1;
        break;
    case CardType::Ruq300:
        if (card.variant == 1 && position.usage == Family::Empty) {
            keep("bauteiltest_ruq300.ict");
        } else {
            keepModulesOfRow(card);
        }
        break;
    case CardType::Multi: visitMulti(card, n); break;
    default: keepModulesOfRow(card); break;
    }
}

// A group of reset entries: the card address of card number 1, 2, ...
struct ResetGroup {
    const char* code;
    std::vector<int> addresses;
};

CResetInfo resetEntry(const std::string& code, int number, int cardAddress) {
    CResetInfo entry;
    entry.name = "SEL860_" + code + (number != 0 ? std::to_string(number) : "");
    entry.cardAddress = cardAddress;
    return entry;
}

int groupAddress(const ResetGroup& group, int number) {
    const bool inRange = number >= 1 && number <= static_cast<int>(group.addresses.size());
    return inRange ? group.addresses[number - 1] : 0;
}

template <typename Record>
void appendListGroup(RunData& data, const ResetGroup& group, const std::vector<Record>& list) {
    const std::size_t count = std::min(group.addresses.size(), list.size());
    for (std::size_t i = 0; i < count; ++i) {
        const int number = list[i].familyNumber;
        data.resetList.push_back(resetEntry(group.code, number, groupAddress(group, number)));
    }
}

void appendNumberGroup(RunData& data, const ResetGroup& group, int count) {
    for (int number = 1; number <= count; ++number) {
        data.resetList.push_back(resetEntry(group.code, number, groupAddress(group, number)));
    }
}

std::vector<int> everySecond(int first, int count) {
    std::vector<int> addresses;
    for (int i = 0; i < count; ++i) {
        addresses.push_back(first + 2 * i);
    }
    return addresses;
}

void appendSingleEntry(RunData& data, const std::string& code, int cardAddress) {
    data.resetList.push_back(resetEntry(code, 0, cardAddress));
}

void buildResetList(RunData& data, CSystemInfo& system) {
    appendListGroup(data, {"LOG", everySecond(48, 8)}, data.logList);
    appendListGroup(data, {"GAT84_", everySecond(56, 4)}, data.gat84List);
    const int kvrCount = std::min(8, system.countFamily(Family::Kvr, 0));
    const int tqdCount = std::min(8, system.countFamily(Family::Tqd, 0));
    appendNumberGroup(data, {"KVR", {112, 114, 116, 118, 40, 42, 44, 46}}, kvrCount);
    appendNumberGroup(data, {"TQD", everySecond(144, 8)}, std::max(kvrCount, tqdCount));
    appendListGroup(data, {"FJN", {78, 76, 122, 120}}, data.fjnList);
    appendListGroup(data, {"NORV", everySecond(128, 8)}, data.norvList);
    appendListGroup(data, {"SEQ", everySecond(208, 8)}, data.seqList);
    appendListGroup(data, {"DWB", everySecond(176, 8)}, data.dwbList);
    appendListGroup(data, {"NOHK", everySecond(80, 8)}, data.jelList);
    appendListGroup(data, {"YOT", everySecond(24, 8)}, data.yotList);
    appendNumberGroup(data, {"BAQ", everySecond(224, 8)},
                      std::min(8, system.countFamily(Family::Baq, 0)));

    for (const ModuleRow& row : moduleRows()) {
        if (data.isDeletedFromSelfTest(row.firstModule)) {
            continue;
        }
        if (row.typeCode == CardType::Wu520) {
            appendSingleEntry(data, "WU2-5", 70);
        } else if (row.typeCode == CardType::Htr520) {
            appendSingleEntry(data, "HTR", 72);
        } else if (row.typeCode == CardType::Tif) {
            appendSingleEntry(data, "TIF", 68);
        } else if (row.typeCode == CardType::Multi && row.variant == 2) {
            appendSingleEntry(data, "PEW860", 240);
            data.resetList.back().initValue = 0;
        }
    }
    if (!data.isDeletedFromSelfTest("ulm860.fct")) {
        appendSingleEntry(data, "ULM", 20);
        data.resetList.back().needsConfig = 1;
        data.resetList.back().initText = "P0";
    }
    struct SingleModule {
        const char* file;
        const char* code;
        int cardAddress;
    };
    const std::array<SingleModule, 3> singleModules = {
        {{"ow520.fct", "OW520", 64}, {"ow860.fct", "OW860", 124}, {"ruq300.fct", "RUQ300", 66}}};
    for (const SingleModule& single : singleModules) {
        if (!data.isDeletedFromSelfTest(single.file)) {
            appendSingleEntry(data, single.code, single.cardAddress);
        }
    }
    if (system.hasXab60V) {
        appendSingleEntry(data, "XAB-60V", 74);
    }
}

} // namespace

const std::vector<ModuleRow>& moduleRows() {
    static const std::vector<ModuleRow> rows = {
        {CardType::Kvr860, kAnyVariant, "kvr.fct", nullptr},
        {CardType::Pew28, kAnyVariant, "pew.fct", nullptr},
        {CardType::Czep520, kAnyVariant, "rulm.fct", "zep1.fct"},
        {CardType::Wu520, kAnyVariant, "wu2_5.fct", nullptr},
        {CardType::Htr520, kAnyVariant, "htr.fct", nullptr},
        {CardType::Fjn860, kAnyVariant, "fjn.fct", nullptr},
        {CardType::Jel6, kAnyVariant, "jel_ict.ict", "jel_fkt.fct"},
        {CardType::Log, kAnyVariant, "logik.fct", nullptr},
        {CardType::Gat, kAnyVariant, "gat84.fct", nullptr},
        {CardType::Zupa, kAnyVariant, "zu_pa.fct", nullptr},
        {CardType::Norv860, kAnyVariant, "norv.fct", nullptr},
        {CardType::Tif, kAnyVariant, "tif.fct", nullptr},
        {CardType::Tqd, kAnyVariant, "tqd.fct", nullptr},
        {CardType::Dwb860, kAnyVariant, "dwb.fct", nullptr},
        {CardType::Ruq300, 0, "bauteiltest_ruq300.ict", nullptr},
        {CardType::Ruq300, 1, "ruq300.ict", "ruq300.fct"},
        {CardType::Multi, 1, "yot.fct", nullptr},
        {CardType::Multi, 2, "pew860.fct", nullptr},
        {CardType::Multi, 4, "baq.fct", nullptr},
        {CardType::Multi, 6, "giv.fct", nullptr},
        {CardType::Decoder, 0, "ulm520.fct", nullptr},
        {CardType::Decoder, 1, "ulm860.fct", nullptr},
        {CardType::Qbt520, kAnyVariant, "qbt520.fct", "bauteiltest_qbt520.ict"},
        {CardType::Qbt860, kAnyVariant, "qbt860.fct", "bauteiltest_qbt860.ict"},
    };
    return rows;
}

bool RunData::isDeletedFromSelfTest(const std::string& module) const {
    return contains(selfTestDeleteList, module);
}

bool RunData::isDeletedFromCal(const std::string& module) const {
    return contains(calDeleteList, module);
}

RunData prepareRunData(CSystemInfo& system, int instrument, UserInterface& ui) {
    ui.setStep("Aufbereitung der Testsystem-Informationen", 0);
    RunData data;
    addFixedDeleteEntries(data, system, instrument);
    PositionPass pass(data, system, instrument);
    const int shown = system.visibleCount();
    for (int i = 0; i < shown; ++i) {
        ui.detailReport(i, shown);
        pass.visit(i);
    }
    buildResetList(data, system);
    return data;
}
