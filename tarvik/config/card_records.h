#pragma once

// Per-card info records: plain values that the generation run derives from the configuration,
// one ordered list per card family, and that the module generators read.

#include <cstdint>
#include <string>

struct CKvrInfo {
    int channelBase = 0; // first channel in the matrix numbering shared with SEQ28 and NORV
    int supplyFit = 0;   // 1 without supply, 2 "NG++", 3 "NG+-", 0 unknown
    int cardNumber = 0;  // running number over SEQ28, KVR and NORV cards together
    int familyNumber = 0;
    std::uint8_t asTqd = 0; // the card is also generated as a TQD card
};

struct CTqdInfo {
    int familyNumber = 0;
    int channelBase = 0;
    int supplyFit = 0; // 1 matrix, 2 "NG++", 3 "NG+-", 4 TQD76
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
    int channels = 0; // 1 for 8 channels, 2 for 4 channels, 0 unknown
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
    int relayKind = 0;  // 1 SEW28, 2 SEW28/56, 3 SEW84, 0 other
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
