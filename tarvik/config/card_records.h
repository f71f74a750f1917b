#pragma once

// Per-card info records: plain values that the generation run derives from the configuration,
// one ordered list per card family, and that the module generators read.

#include <cstdint>
#include <string>

namespace tarvik {

// What a KVR860 or a TQD card has fitted beside its matrix, by the codes of the configuration.
enum class SupplyFit : int {
    unknown = 0,
    none = 1,      // KVR860 "ohne NG", TQD860 "Matrix"
    plusPlus = 2,  // "NG++": two positive supplies
    plusMinus = 3, // "NG+-": a positive and a negative supply
    tqd76 = 4,     // TQD76: no supplies, 72 channels
};

constexpr bool hasSupplies(SupplyFit fit) {
    return fit == SupplyFit::plusPlus || fit == SupplyFit::plusMinus;
}

// How a SEW card's relays lie on the card.
enum class RelayKind : int { other = 0, sew28 = 1, sew28_56 = 2, sew84 = 3 };

// The channels fitted on an FJN860.
enum class FjnChannels : int { unknown = 0, eight = 1, four = 2 };

struct CKvrInfo {
    int channelBase = 0; // first channel in the matrix numbering shared with SEQ28 and NORV
    SupplyFit supplyFit = SupplyFit::unknown; // none, plusPlus or plusMinus
    int cardNumber = 0; // running number over SEQ28, KVR and NORV cards together
    int familyNumber = 0;
    std::uint8_t asTqd = 0; // the card is also generated as a TQD card
};

struct CTqdInfo {
    int familyNumber = 0;
    int channelBase = 0;
    SupplyFit supplyFit = SupplyFit::unknown;
    std::uint8_t sense = 0;
};

struct CLogInfo {
    int channelBase = 0; // digital numbering shared by SEQ28, GAT84 and logic cards
    int cardNumber = 0;
    int familyNumber = 0;
    std::uint8_t agat520 = 0;
};

struct CFjnInfo {
    int channelBase = 0;
    FjnChannels channels = FjnChannels::unknown;
    int cardNumber = 0;
    int familyNumber = 0;
};

struct CNorvInfo {
    int channelBase = 0;
    int logicBase = 0;
    int cardNumber = 0;
    int familyNumber = 0;
};

struct CSeqInfo {
    int channelBase = 0;
    int logicBase = 0;
    int relayBase = 0; // relay numbering shared with the SEW cards
    int cardNumber = 0;
    int familyNumber = 0;
};

struct CSewInfo {
    int relayBase = 0;
    int relayCount = 0; // 32, 64 or 96
    RelayKind relayKind = RelayKind::other;
};

struct CJelInfo {
    int channelBase = 0;
    int cardNumber = 0;
    int familyNumber = 0;
};

struct CBaqInfo {
    int channelBase = 0;
    int cardNumber = 0;
    int familyNumber = 0;
};

struct CGivInfo {
    int channelBase = 0;
    int cardNumber = 0;
    int familyNumber = 0;
};

struct CGat84Info {
    int channelBase = 0;
    int cardNumber = 0;
    int familyNumber = 0;
};

struct CYotInfo {
    int channelBase = 0;
    int cardNumber = 0;
    int familyNumber = 0;
};

struct CDwbInfo {
    int channelBase = 0;
    int cardNumber = 0;
    int familyNumber = 0;
};

// One card the reset module initialises.
struct CResetInfo {
    std::string name = "SEL860_";
    int cardAddress = 0;
    std::uint8_t needsConfig = 0; // the card needs the configuration statement
    int initValue = -1;
    std::string initText = "{0xFF}";
};

} // namespace tarvik
