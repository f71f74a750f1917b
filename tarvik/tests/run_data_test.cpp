#include "tarvik/generation/run_data.h"

#include "common/text/line_file.h"
#include "module_test_support.h"
#include "support/scripted_ui.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/run_inputs.h"
#include "tarvik/modules/reset_handler.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarvik;

namespace {

bool has(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

std::vector<std::string> resetNames(const RunData& data) {
    std::vector<std::string> names;
    for (const auto& e : data.resetList) {
        names.push_back(e.name + "@" + std::to_string(e.cardAddress));
    }
    return names;
}

class RunDataTest : public ::testing::Test {
protected:
    RunDataTest() { m_system.setManual(860, true, false, false); }

    void put(int address, CardInfo card) { m_system.slots[address] = card; }

    RunData prepare(int instrument = Instrument::Keysight3458A) {
        return prepareRunData(m_system, instrument, m_ui);
    }

    CSystemInfo m_system;
    ScriptedUi m_ui;
};

} // namespace

TEST_F(RunDataTest, RackWithoutCardsKeepsOnlyTheFixedModules) {
    const RunData data = prepare();
    EXPECT_EQ("Aufbereitung der Testsystem-Informationen|0", m_ui.steps.front());
    EXPECT_EQ(m_system.visibleCount(), m_ui.detailReports);
    // QBT860 and ULM520 modules stay; everything else of the module table goes.
    for (const char* kept : {"qbt860.fct", "bauteiltest_qbt860.ict", "ulm520.fct"}) {
        EXPECT_FALSE(has(data.selfTestDeleteList, kept)) << kept;
    }
    for (const char* gone : {"kvr.fct", "ulm860.fct", "qbt520.fct", "vortest_945.fct", "ng_gen.fct",
                             "xab60v.fct", "sew.fct", "dax19.fct", "ruq300.fct"}) {
        EXPECT_TRUE(has(data.selfTestDeleteList, gone)) << gone;
    }
    EXPECT_FALSE(has(data.selfTestDeleteList, "vortest.fct"));
    EXPECT_TRUE(has(data.calDeleteList, "dekoder_945.fct"));
    EXPECT_TRUE(has(data.calDeleteList, "bauteile.fct")); // Keysight keeps the _3458 modules
    EXPECT_FALSE(has(data.calDeleteList, "bauteile_3458.fct"));
    // The calibration list only takes the first 22 rows: no QBT modules.
    EXPECT_FALSE(has(data.calDeleteList, "qbt520.fct"));
    EXPECT_TRUE(data.kvrList.empty() && data.seqList.empty());
    EXPECT_TRUE(data.resetList.empty());
    // Names are added once only.
    EXPECT_EQ(
        1, std::count(data.selfTestDeleteList.begin(), data.selfTestDeleteList.end(), "ow520.fct"));
}

TEST_F(RunDataTest, SharedCountersAcrossFamilies) {
    put(1, {CardType::Kvr860, 0, 2});
    put(2, {CardType::Sew, 5, 0}); // SEQ28
    put(3, {CardType::Norv860, 0, 0});
    put(4, {CardType::Kvr860, 0, 7});
    put(5, {CardType::Gat, 2, 0});
    put(6, {CardType::Log, 11, 0});
    put(7, {CardType::Sew, 96, 0});
    put(8, {CardType::Sew, 0, 0});
    const RunData data = prepare();

    ASSERT_EQ(2u, data.kvrList.size());
    EXPECT_EQ(1, data.kvrList[0].channelBase);
    EXPECT_EQ(SupplyFit{2}, data.kvrList[0].supplyFit);
    EXPECT_EQ(1, data.kvrList[0].cardNumber);
    EXPECT_EQ(73, data.kvrList[1].channelBase);         // after KVR, SEQ and NORV: 3 * 24
    EXPECT_EQ(SupplyFit{0}, data.kvrList[1].supplyFit); // extra 7 is no supply fit
    EXPECT_EQ(4, data.kvrList[1].cardNumber);
    EXPECT_EQ(2, data.kvrList[1].familyNumber);

    ASSERT_EQ(1u, data.seqList.size());
    const CSeqInfo& seq = data.seqList[0];
    EXPECT_EQ(25, seq.channelBase);
    EXPECT_EQ(1, seq.logicBase);
    EXPECT_EQ(1, seq.relayBase);
    EXPECT_EQ(1, seq.cardNumber);
    EXPECT_EQ(1, seq.familyNumber);

    ASSERT_EQ(1u, data.norvList.size());
    EXPECT_EQ(49, data.norvList[0].channelBase);
    EXPECT_EQ(33, data.norvList[0].logicBase);
    EXPECT_EQ(2, data.norvList[0].cardNumber);

    ASSERT_EQ(1u, data.gat84List.size());
    EXPECT_EQ(65, data.gat84List[0].channelBase);
    EXPECT_EQ(3, data.gat84List[0].cardNumber);
    ASSERT_EQ(1u, data.logList.size());
    EXPECT_EQ(161, data.logList[0].channelBase); // GAT84 takes 96 channels
    EXPECT_EQ(4, data.logList[0].cardNumber);
    EXPECT_EQ(0, data.logList[0].agat520); // GAT860

    ASSERT_EQ(2u, data.sewList.size());
    EXPECT_EQ(33, data.sewList[0].relayBase); // after the SEQ28's 32 relays
    EXPECT_EQ(96, data.sewList[0].relayCount);
    EXPECT_EQ(RelayKind{3}, data.sewList[0].relayKind);
    EXPECT_EQ(129, data.sewList[1].relayBase);
    EXPECT_EQ(32, data.sewList[1].relayCount);
    EXPECT_EQ(RelayKind{1}, data.sewList[1].relayKind);

    EXPECT_FALSE(has(data.selfTestDeleteList, "seq.fct"));
    EXPECT_FALSE(has(data.calDeleteList, "sew.fct"));
}

TEST_F(RunDataTest, TqdRecordsAndKvrGeneratedAsTqd) {
    put(1, {CardType::Tqd, 4, 0});   // TQD76
    put(2, {CardType::Tqd, 258, 0}); // NG+- NS
    put(3, {CardType::Kvr860, 0, 1});
    m_system.setUsage(4, 1); // position P1-6 (address 3): KVR generated as TQD
    const RunData data = prepare();
    ASSERT_EQ(2u, data.tqdList.size());
    EXPECT_EQ(SupplyFit{4}, data.tqdList[0].supplyFit);
    EXPECT_EQ(1, data.tqdList[0].channelBase);
    EXPECT_EQ(73, data.tqdList[1].channelBase);
    EXPECT_EQ(SupplyFit{3}, data.tqdList[1].supplyFit);
    EXPECT_EQ(1, data.tqdList[1].sense);
    EXPECT_EQ(2, data.tqdList[1].familyNumber);
    ASSERT_EQ(1u, data.kvrList.size());
    EXPECT_EQ(1, data.kvrList[0].asTqd);
    EXPECT_EQ(3, data.kvrList[0].familyNumber); // third of the TQD family
    // KVR reset entries: none (no KVR family); TQD entries: three.
    const auto names = resetNames(data);
    EXPECT_EQ((std::vector<std::string>{"SEL860_TQD1@144", "SEL860_TQD2@146", "SEL860_TQD3@148"}),
              names);
}

TEST_F(RunDataTest, ChannelCardsAndCalibrationModulesByInstrument) {
    put(1, {CardType::Multi, 1, 0});
    put(2, {CardType::Multi, 1, 0});
    put(3, {CardType::Multi, 4, 0});
    put(4, {CardType::Multi, 6, 0});
    put(5, {CardType::Dwb860, 0, 0});
    put(6, {CardType::Multi, 5, 0}); // PEW860
    put(7, {CardType::Fjn860, 0, 2});
    put(8, {CardType::Jel6, 0, 0});
    const RunData keithley = prepare(Instrument::Keithley2000);
    ASSERT_EQ(2u, keithley.yotList.size());
    EXPECT_EQ(17, keithley.yotList[1].channelBase);
    EXPECT_EQ(2, keithley.yotList[1].cardNumber);
    ASSERT_EQ(1u, keithley.baqList.size());
    EXPECT_EQ(1, keithley.baqList[0].cardNumber);
    ASSERT_EQ(1u, keithley.givList.size());
    EXPECT_EQ(1, keithley.givList[0].cardNumber);
    EXPECT_EQ(2, keithley.givList[0].familyNumber); // GIV12 is counted in the BAQ family
    EXPECT_EQ(FjnChannels{2}, keithley.fjnList[0].channels);
    EXPECT_EQ(1, keithley.jelList[0].channelBase);
    EXPECT_FALSE(has(keithley.calDeleteList, "dwb_cal.fct"));
    EXPECT_TRUE(has(keithley.calDeleteList, "dwb_cal_3458.fct"));
    EXPECT_FALSE(has(keithley.calDeleteList, "pew860_cal.fct"));
    EXPECT_FALSE(has(keithley.calDeleteList, "bauteile.fct"));
    EXPECT_TRUE(has(keithley.calDeleteList, "print_cert_3458.fct"));

    const RunData keysight = prepare(Instrument::Keysight3458A);
    EXPECT_TRUE(has(keysight.calDeleteList, "dwb_cal.fct"));
    EXPECT_FALSE(has(keysight.calDeleteList, "dwb_cal_3458.fct"));
    EXPECT_FALSE(has(keysight.calDeleteList, "pew860_cal_3458.fct"));

    // The PEW860 entry follows its kept module, whatever variant kept it.
    const auto names = resetNames(keysight);
    EXPECT_TRUE(has(names, "SEL860_PEW860@240"));
    EXPECT_TRUE(has(names, "SEL860_YOT2@26"));
    EXPECT_TRUE(has(names, "SEL860_BAQ1@224"));
    EXPECT_TRUE(has(names, "SEL860_FJN1@78"));
    EXPECT_TRUE(has(names, "SEL860_NOHK1@80"));
    EXPECT_TRUE(has(names, "SEL860_DWB1@176"));
}

TEST_F(RunDataTest, ResetGroupsUseOnlyTheFirstEntriesOfAList) {
    // Nine logic cards and five KVR cards.
    const int logAddresses[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int a : logAddresses) {
        put(a, {CardType::Log, 0, 0});
    }
    const int kvrAddresses[] = {10, 11, 17, 18, 19};
    for (int a : kvrAddresses) {
        put(a, {CardType::Kvr860, 0, 1});
    }
    m_system.hasXab60V = true;
    const RunData data = prepare();
    EXPECT_EQ(9u, data.logList.size());
    const auto names = resetNames(data);
    const std::vector<std::string> expectedStart = {
        "SEL860_LOG1@48",  "SEL860_LOG2@50",  "SEL860_LOG3@52",   "SEL860_LOG4@54",
        "SEL860_LOG5@56",  "SEL860_LOG6@58",  "SEL860_LOG7@60",   "SEL860_LOG8@62",
        "SEL860_KVR1@112", "SEL860_KVR2@114", "SEL860_KVR3@116",  "SEL860_KVR4@118",
        "SEL860_KVR5@40",  "SEL860_TQD1@144", "SEL860_TQD2@146",  "SEL860_TQD3@148",
        "SEL860_TQD4@150", "SEL860_TQD5@152", "SEL860_XAB-60V@74"};
    EXPECT_EQ(expectedStart, names);
    EXPECT_FALSE(has(data.selfTestDeleteList, "xab60v.fct"));
    const CResetInfo& xab = data.resetList.back();
    EXPECT_EQ(0, xab.needsConfig);
    EXPECT_EQ(-1, xab.initValue);
    EXPECT_EQ("{0xFF}", xab.initText);
}

TEST_F(RunDataTest, SingleCardEntriesFollowTheKeptModules) {
    put(1, {CardType::Wu520, 0, 0});
    put(2, {CardType::Tif, 1, 0});
    put(3, {CardType::Ow, 1, 0});
    put(4, {CardType::Ruq300, 1, 0});
    put(5, {CardType::Htr520, 0, 0});
    m_system.slots[15] = {CardType::Decoder, 1, 0};
    put(50, {CardType::Multi, 3, 0}); // DAX19
    const RunData data = prepare();
    const auto names = resetNames(data);
    EXPECT_EQ((std::vector<std::string>{"SEL860_WU2-5@70", "SEL860_HTR@72", "SEL860_TIF@68",
                                        "SEL860_ULM@20", "SEL860_OW860@124", "SEL860_RUQ300@66"}),
              names);
    const CResetInfo& ulm = data.resetList[3];
    EXPECT_EQ(1, ulm.needsConfig);
    EXPECT_EQ("P0", ulm.initText);
    EXPECT_FALSE(has(data.selfTestDeleteList, "dax19.fct"));
    EXPECT_TRUE(has(data.selfTestDeleteList, "rng.fct"));
    EXPECT_FALSE(has(data.selfTestDeleteList, "ruq300.ict"));
    EXPECT_TRUE(has(data.selfTestDeleteList, "bauteiltest_ruq300.ict"));
}

TEST_F(RunDataTest, RuqLeftOutOfGenerationKeepsItsComponentTest) {
    put(4, {CardType::Ruq300, 1, 0});
    m_system.setUsage(5, 0); // "(leer)" for the RUQ300 with NG at P1-7
    const RunData data = prepare();
    EXPECT_FALSE(has(data.selfTestDeleteList, "bauteiltest_ruq300.ict"));
    EXPECT_TRUE(has(data.selfTestDeleteList, "ruq300.fct"));
}

TEST_F(RunDataTest, System945DeletesThe860Modules) {
    m_system.setManual(945, false, false, false);
    put(2, {CardType::Sew, 5, 0});
    const RunData data = prepare();
    for (const char* gone : {"vortest.fct", "ulm520.fct", "ulm860.fct", "rng.fct"}) {
        EXPECT_TRUE(has(data.selfTestDeleteList, gone)) << gone;
        EXPECT_TRUE(has(data.calDeleteList, gone)) << gone;
    }
    EXPECT_FALSE(has(data.selfTestDeleteList, "vortest_945.fct"));
    EXPECT_FALSE(has(data.calDeleteList, "dekoder_945.fct"));
    EXPECT_FALSE(has(data.selfTestDeleteList, "qbt520.fct"));
}

// Every reset group with two cards and every single card: the reset module written from the
// bundled template, byte for byte. The groups' order and the entries' names, card addresses
// and init statements all show in it.
TEST_F(RunDataTest, ResetModuleOfARackWithEveryGroup) {
    m_system.setManual(860, true, true, true); // ULM860 decoder
    m_system.hasXab60V = true;
    // Position order: addresses 1 ... 11, 48, 49, 12, 13, then the second housing.
    const std::pair<int, CardInfo> rack[] = {
        {1, {CardType::Norv860, 0, 0}},  {2, {CardType::Fjn860, 0, 1}},
        {3, {CardType::Log, 11, 0}},     {4, {CardType::Gat, 2, 0}},
        {5, {CardType::Kvr860, 0, 2}},   {6, {CardType::Tqd, 1, 0}},
        {7, {CardType::Sew, 5, 0}},      {8, {CardType::Dwb860, 0, 0}},
        {9, {CardType::Jel6, 0, 0}},     {10, {CardType::Multi, 1, 0}},
        {11, {CardType::Multi, 4, 0}},   {48, {CardType::Wu520, 0, 0}},
        {49, {CardType::Htr520, 0, 0}},  {12, {CardType::Tif, 0, 0}},
        {13, {CardType::Multi, 2, 0}},   {17, {CardType::Fjn860, 0, 2}},
        {18, {CardType::Norv860, 0, 0}}, {19, {CardType::Gat, 2, 0}},
        {20, {CardType::Log, 0, 0}},     {21, {CardType::Tqd, 4, 0}},
        {22, {CardType::Kvr860, 0, 1}},  {23, {CardType::Dwb860, 0, 0}},
        {24, {CardType::Sew, 5, 0}},     {25, {CardType::Multi, 1, 0}},
        {26, {CardType::Jel6, 0, 0}},    {27, {CardType::Multi, 6, 0}},
        {52, {CardType::Ow, 0, 0}},      {53, {CardType::Ow, 1, 0}},
        {28, {CardType::Ruq300, 1, 0}},
    };
    for (const auto& [address, card] : rack) {
        put(address, card);
    }
    const RunData data = prepare();
    const auto templateModule = kw::readFileBytes(std::filesystem::path(KW_TEMPLATES_DIR) /
                                                  "TM_SEL_TEMPLATE" / "resettest0.rst");
    const auto expected = kw::readFileBytes(std::filesystem::path(KW_TEST_DATA_DIR) /
                                            "reset_every_group" / "resettest0.rst");
    ASSERT_TRUE(templateModule && expected);
    const auto result = testing_support::rewriteModule(
        std::make_unique<CResetHandler>(data.resetList), *templateModule, "resettest0.rst");
    ASSERT_TRUE(result.processed);
    EXPECT_EQ(*expected, result.output);
}
