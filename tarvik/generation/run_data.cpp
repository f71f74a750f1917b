#include "tarvik/generation/run_data.h"

#include "tarvik/config/card_families.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/run_inputs.h"
#include "tarvik/generation/user_interface.h"

#include <algorithm>
#include <string_view>

namespace tarvik {

namespace {

constexpr int kAnyVariant = -1;

// Running numbers of one pass. Several card families share a channel numbering or a card
// series, so one counter serves several of them.
struct Counters {
    int sharedMatrixBase = 1; // KVR, SEQ and NORV channels
    int sharedLogicBase = 1;  // SEQ, GAT84, LOG and NORV channels
    int sharedRelayBase = 1;  // SEW and SEQ relays
    int matrixCardNumber = 1; // KVR, SEQ and NORV cards
    int logicCardNumber = 1;  // SEQ, GAT84, LOG and NORV cards
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
        for (const std::string_view module : {rows[r].firstModule, rows[r].secondModule}) {
            if (module.empty()) {
                continue;
            }
            addOnce(data.selfTestDeleteList, std::string(module));
            if (r < kCalibrationModuleRows) {
                addOnce(data.calDeleteList, std::string(module));
            }
        }
    }
}

int sewRelayCount(int variant) {
    return variant == 2 || variant == 64 ? 64 : variant == 96 ? 96 : 32;
}

RelayKind sewRelayKind(int variant) {
    switch (variant) {
    case 0:
        return RelayKind::sew28;
    case 2:
    case 4:
        return RelayKind::sew28_56;
    case 32:
    case 64:
    case 96:
        return RelayKind::sew84;
    default:
        return RelayKind::other;
    }
}

// A TQD card's low byte of the variant names its fit; bit 8 marks the sense lines.
SupplyFit tqdSupplyFit(int variant) {
    switch (variant & 0xFF) {
    case 0:
        return SupplyFit::none;
    case 1:
        return SupplyFit::plusPlus;
    case 2:
        return SupplyFit::plusMinus;
    case 4:
        return SupplyFit::tqd76;
    default:
        return SupplyFit::unknown;
    }
}

// A KVR860 carries its fit in the extra code, with the same values.
SupplyFit kvrSupplyFit(int extra) {
    return extra >= 1 && extra <= 3 ? static_cast<SupplyFit>(extra) : SupplyFit::unknown;
}

FjnChannels fjnChannels(int extra) {
    return extra == 1 || extra == 2 ? static_cast<FjnChannels>(extra) : FjnChannels::unknown;
}

// One pass step: keeps the modules of a card and appends its record.
class PositionPass {
public:
    PositionPass(RunData& data, CSystemInfo& system, int instrument)
        : m_data(data), m_system(system), m_instrument(instrument) {}

    void visit(int index);

private:
    void keep(std::string_view module) {
        removeAll(m_data.selfTestDeleteList, std::string(module));
        removeAll(m_data.calDeleteList, std::string(module));
    }
    void keepForCalibration(const char* keithley, const char* keysight) {
        removeAll(m_data.calDeleteList,
                  m_instrument == Instrument::Keithley2000 ? keithley : keysight);
    }
    void keepModulesOfRow(const CardInfo& card);
    // Appends the record of a card to its family's list; false for a card without one.
    bool visitFamilyCard(int index, const CardInfo& card, int n);
    bool visitMulti(const CardInfo& card, int n);
    void visitSew(const CardInfo& card, int n);
    void visitKvr(int index, const CardInfo& card, int n);
    void visitTqd(const CardInfo& card, int n);

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
            if (!row.secondModule.empty()) {
                keep(row.secondModule);
            }
            return;
        }
    }
}

void PositionPass::visit(int index) {
    const SelPosition& position = m_system.positions[index];
    if (position.cardAddress < 0 || position.cardAddress >= CSystemInfo::kSlotCount) {
        return;
    }
    const CardInfo card = m_system.slots[position.cardAddress];
    const int earlier = m_system.countFamilyBefore(m_system.effectiveFamily(index), index);
    // A RUQ300 with supply used as an empty position keeps only its component test.
    if (card.typeCode == CardType::Ruq300 && card.variant == 1 && position.usage == Family::Empty) {
        keep("bauteiltest_ruq300.ict");
    } else if (!visitFamilyCard(index, card, earlier + 1)) {
        keepModulesOfRow(card);
    }
}

bool PositionPass::visitFamilyCard(int index, const CardInfo& card, int n) {
    using namespace CardFamilies;
    Counters& c = m_c;
    switch (card.typeCode) {
    case CardType::Sew:
        visitSew(card, n);
        return true;
    case CardType::Kvr860:
        visitKvr(index, card, n);
        return true;
    case CardType::Tqd:
        visitTqd(card, n);
        return true;
    case CardType::Gat:
        if (card.variant != 2) {
            return false;
        }
        keep(kGat84.module);
        m_data.gat84List.push_back({c.sharedLogicBase, c.logicCardNumber, n});
        c.sharedLogicBase += kGat84.channels, c.logicCardNumber += 1;
        return true;
    case CardType::Ow:
        keep(card.variant == 1 ? kOw860.module : kOw520.module);
        return true;
    case CardType::Log:
        keep(kLog.module);
        m_data.logList.push_back({c.sharedLogicBase, c.logicCardNumber, n,
                                  static_cast<std::uint8_t>(card.variant != 11)});
        c.sharedLogicBase += kLog.channels, c.logicCardNumber += 1;
        return true;
    case CardType::Fjn860: {
        keep(kFjn.module);
        m_data.fjnList.push_back({c.fjnBase, fjnChannels(card.extra), c.fjnNumber, n});
        c.fjnBase += kFjn.channels, c.fjnNumber += 1;
        return true;
    }
    case CardType::Jel6:
        keep(kJelComponentModule);
        keep(kJel.module);
        m_data.jelList.push_back({c.jelBase, c.jelNumber, n});
        c.jelBase += kJel.channels, c.jelNumber += 1;
        return true;
    case CardType::Norv860:
        keep(kNorv.module);
        m_data.norvList.push_back({c.sharedMatrixBase, c.sharedLogicBase, c.logicCardNumber, n});
        c.sharedMatrixBase += kNorv.channels, c.sharedLogicBase += kNorv.logicChannels;
        c.matrixCardNumber += 1, c.logicCardNumber += 1;
        return true;
    case CardType::Dwb860:
        keep(kDwb.module);
        keepForCalibration("dwb_cal.fct", "dwb_cal_3458.fct");
        m_data.dwbList.push_back({c.dwbBase, c.dwbNumber, n});
        c.dwbBase += kDwb.channels, c.dwbNumber += 1;
        return true;
    case CardType::Multi:
        return visitMulti(card, n);
    default:
        return false;
    }
}

bool PositionPass::visitMulti(const CardInfo& card, int n) {
    using namespace CardFamilies;
    switch (card.variant) {
    case 1:
        keep(kYot.module);
        m_data.yotList.push_back({m_c.yotBase, static_cast<int>(m_data.yotList.size()) + 1, n});
        m_c.yotBase += kYot.channels;
        return true;
    case 2:
    case 5:
        keep(kPew860.module);
        keepForCalibration("pew860_cal.fct", "pew860_cal_3458.fct");
        return true;
    case 3:
        keep("dax19.fct");
        addOnce(m_data.selfTestDeleteList, "rng.fct");
        addOnce(m_data.calDeleteList, "rng.fct");
        return true;
    case 4:
        keep(kBaq.module);
        m_data.baqList.push_back({m_c.baqBase, static_cast<int>(m_data.baqList.size()) + 1, n});
        m_c.baqBase += kBaq.channels;
        return true;
    case 6:
        keep(kGiv.module);
        m_data.givList.push_back({m_c.givBase, static_cast<int>(m_data.givList.size()) + 1, n});
        m_c.givBase += kGiv.channels;
        return true;
    default:
        return false;
    }
}

// A SEQ28 (SEW variant 5) takes matrix, digital and relay channels; a SEW card relays only.
void PositionPass::visitSew(const CardInfo& card, int n) {
    using CardFamilies::kSeq;
    Counters& c = m_c;
    if (card.variant == 5) {
        keep(kSeq.module);
        m_data.seqList.push_back(
            {c.sharedMatrixBase, c.sharedLogicBase, c.sharedRelayBase, c.logicCardNumber, n});
        c.sharedMatrixBase += kSeq.channels, c.sharedLogicBase += kSeq.logicChannels;
        c.sharedRelayBase += kSeq.relays;
        c.matrixCardNumber += 1, c.logicCardNumber += 1;
        return;
    }
    keep(CardFamilies::kSew.module);
    const int size = sewRelayCount(card.variant);
    m_data.sewList.push_back({c.sharedRelayBase, size, sewRelayKind(card.variant)});
    c.sharedRelayBase += size;
}

void PositionPass::visitKvr(int index, const CardInfo& card, int n) {
    using CardFamilies::kKvr;
    keep(kKvr.module);
    const SupplyFit fit = kvrSupplyFit(card.extra);
    const bool asTqd = m_system.moduleName(index).starts_with(CardFamilies::kTqd.code);
    m_data.kvrList.push_back(
        {m_c.sharedMatrixBase, fit, m_c.matrixCardNumber, n, static_cast<std::uint8_t>(asTqd)});
    m_c.sharedMatrixBase += kKvr.channels, m_c.matrixCardNumber += 1;
}

void PositionPass::visitTqd(const CardInfo& card, int n) {
    using CardFamilies::kTqd;
    keep(kTqd.module);
    const SupplyFit fit = tqdSupplyFit(card.variant);
    m_data.tqdList.push_back(
        {n, m_c.tqdBase, fit, static_cast<std::uint8_t>((card.variant >> 8) & 1)});
    m_c.tqdBase += fit == SupplyFit::tqd76 ? CardFamilies::kTqd76Channels : kTqd.channels;
}

CResetInfo resetEntry(std::string_view code, int number, int cardAddress) {
    CResetInfo entry;
    entry.name = "SEL860_" + std::string(code) + (number != 0 ? std::to_string(number) : "");
    entry.cardAddress = cardAddress;
    return entry;
}

// One entry per record of a family list, named and addressed by the card's family number; at
// most as many as the family's modules serve.
template <typename Record>
void appendListGroup(RunData& data, const CardFamilyTable& family,
                     const std::vector<Record>& list) {
    const std::size_t count = std::min(static_cast<std::size_t>(family.maxCards), list.size());
    for (std::size_t i = 0; i < count; ++i) {
        const int number = list[i].familyNumber;
        data.resetList.push_back(
            resetEntry(family.resetCode, number, familyBusAddress(family, number)));
    }
}

// Entries for cards 1 ... count of a family.
void appendNumberGroup(RunData& data, const CardFamilyTable& family, int count) {
    for (int number = 1; number <= count; ++number) {
        data.resetList.push_back(
            resetEntry(family.resetCode, number, familyBusAddress(family, number)));
    }
}

int servedCards(CSystemInfo& system, const CardFamilyTable& family) {
    return std::min(family.maxCards, system.countFamily(family.family));
}

void buildResetList(RunData& data, CSystemInfo& system) {
    using namespace CardFamilies;
    appendListGroup(data, kLog, data.logList);
    appendListGroup(data, kGat84, data.gat84List);
    // Every KVR860 has a TQD part, initialised with the TQD cards.
    const int kvrCount = servedCards(system, kKvr);
    appendNumberGroup(data, kKvr, kvrCount);
    appendNumberGroup(data, kTqd, std::max(kvrCount, servedCards(system, kTqd)));
    appendListGroup(data, kFjn, data.fjnList);
    appendListGroup(data, kNorv, data.norvList);
    appendListGroup(data, kSeq, data.seqList);
    appendListGroup(data, kDwb, data.dwbList);
    appendListGroup(data, kJel, data.jelList);
    appendListGroup(data, kYot, data.yotList);
    appendNumberGroup(data, kBaq, servedCards(system, kBaq));

    // The single cards whose module the self-test keeps.
    for (const CardFamilyTable* single :
         {&kWu25, &kHtr, &kTif, &kPew860, &kUlm860, &kOw520, &kOw860, &kRuq}) {
        if (data.isDeletedFromSelfTest(std::string(single->module))) {
            continue;
        }
        data.resetList.push_back(resetEntry(single->resetCode, 0, single->busAddresses[0]));
        if (single == &kPew860) {
            data.resetList.back().initValue = 0;
        } else if (single == &kUlm860) {
            data.resetList.back().needsConfig = 1;
            data.resetList.back().initText = "P0";
        }
    }
    if (system.hasXab60V) {
        data.resetList.push_back(resetEntry(kXab60V.resetCode, 0, kXab60V.busAddresses[0]));
    }
}

} // namespace

const std::vector<ModuleRow>& moduleRows() {
    using namespace CardFamilies;
    static const std::vector<ModuleRow> rows = {
        {CardType::Kvr860, kAnyVariant, kKvr.module, {}},
        {CardType::Pew28, kAnyVariant, "pew.fct", {}},
        {CardType::Czep520, kAnyVariant, "rulm.fct", "zep1.fct"},
        {CardType::Wu520, kAnyVariant, kWu25.module, {}},
        {CardType::Htr520, kAnyVariant, kHtr.module, {}},
        {CardType::Fjn860, kAnyVariant, kFjn.module, {}},
        {CardType::Jel6, kAnyVariant, kJelComponentModule, kJel.module},
        {CardType::Log, kAnyVariant, kLog.module, {}},
        {CardType::Gat, kAnyVariant, kGat84.module, {}},
        {CardType::Zupa, kAnyVariant, "zu_pa.fct", {}},
        {CardType::Norv860, kAnyVariant, kNorv.module, {}},
        {CardType::Tif, kAnyVariant, kTif.module, {}},
        {CardType::Tqd, kAnyVariant, kTqd.module, {}},
        {CardType::Dwb860, kAnyVariant, kDwb.module, {}},
        {CardType::Ruq300, 0, "bauteiltest_ruq300.ict", {}},
        {CardType::Ruq300, 1, "ruq300.ict", kRuq.module},
        {CardType::Multi, 1, kYot.module, {}},
        {CardType::Multi, 2, kPew860.module, {}},
        {CardType::Multi, 4, kBaq.module, {}},
        {CardType::Multi, 6, kGiv.module, {}},
        {CardType::Decoder, 0, "ulm520.fct", {}},
        {CardType::Decoder, 1, kUlm860.module, {}},
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

} // namespace tarvik
