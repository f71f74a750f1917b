#pragma once

// The catalogue of card kinds: names and details of every card triple, the module family a
// card is generated under, the family codes that form module names, how many cards of one
// family the modules can serve, and the choices a user may pick for a card address or for
// the usage of a position.

#include <cstdint>
#include <string>
#include <vector>

// One card kind: the type code the card reports on the bus and two sub-types.
struct CardInfo {
    std::int32_t typeCode = 0;
    std::int32_t variant = 0;
    std::int32_t extra = 0;

    friend bool operator==(const CardInfo&, const CardInfo&) = default;
};

// Type codes as the cards report them (the older cards in the low four bits, the newer ones
// as a full identification word) and the two codes the program assigns itself.
namespace CardType {
constexpr std::int32_t None = 0;
constexpr std::int32_t Sew = 1;
constexpr std::int32_t Kvr860 = 2;
constexpr std::int32_t Gat = 3;
constexpr std::int32_t Qbt520 = 4;
constexpr std::int32_t Czep520 = 5;
constexpr std::int32_t Ow = 6;
constexpr std::int32_t Tif = 7;
constexpr std::int32_t Pew28 = 8;
constexpr std::int32_t Log = 10;
constexpr std::int32_t Wu520 = 11;
constexpr std::int32_t Htr520 = 12;
constexpr std::int32_t Fjn860 = 13;
constexpr std::int32_t Jel6 = 14;
constexpr std::int32_t Zupa = 15; // assigned to the card at address 14 that reports code 1
constexpr std::int32_t Qbt860 = 31;
constexpr std::int32_t Tqd = 47;
constexpr std::int32_t Norv860 = 79;
constexpr std::int32_t Dwb860 = 111;
constexpr std::int32_t Ruq300 = 143;
constexpr std::int32_t Multi = 239; // YOT860, PEW860, DAX19, BAQ44, GIV12 by variant
constexpr std::int32_t Decoder = 256; // the decoder at card address 15
} // namespace CardType

// Module families: which test module the generator writes for a card.
namespace Family {
constexpr int NoModule = 0;
constexpr int Empty = 1;
constexpr int Sew = 2;
constexpr int Seq = 3;
constexpr int Kvr = 4;
constexpr int Gat84 = 5;
constexpr int Log = 6;
constexpr int Fjn = 7;
constexpr int Jel = 8;
constexpr int Tqd = 9;
constexpr int Norv = 10;
constexpr int Yot = 11;
constexpr int Dwb = 12;
constexpr int Baq = 13;
constexpr int Ow520 = 14;
constexpr int Ow860 = 15;
constexpr int Tif = 16;
constexpr int Wu25 = 17;
constexpr int Htr = 18;
constexpr int Pew860 = 19;
constexpr int Ruq = 20;
constexpr int Ulm860 = 21;
} // namespace Family

// The one shared instance of a triple. Instances live until program exit and never change,
// so references may be kept and compared by address.
const CardInfo& internCardInfo(std::int32_t typeCode, std::int32_t variant, std::int32_t extra);

// Display name of a card; the detailed name adds the fitted variant ("KVR860 (NG++)").
// The empty card has an empty name.
std::string cardName(const CardInfo& card, bool detail);

// The detail text shown next to the name ("NG ++"), empty for most cards.
std::string cardDetail(const CardInfo& card);

// Module family of the card held by the slot of a card address (see CSystemInfo).
int familyOfSlot(int cardAddress, const CardInfo& slot);

// Family code that forms module names ("KVR"); "---" for families without modules.
std::string familyCode(int family);

// How many cards of one family the modules can serve.
int familyLimit(int family);

// The choice-th card that may be entered for a card address, or nullptr after the last one
// (and for a negative address, which cannot take a card).
const CardInfo* cardChoice(int cardAddress, int choice);

// Menu texts of the card choices of an address: the detailed names, "(leer)" for the empty
// card, and the single line "(nicht belegbar)" for a position that cannot take a card.
std::vector<std::string> cardChoiceTexts(int cardAddress);

// Usage menu of a position whose card has the given family: the texts and the usage value
// each one stores. Empty for families that offer no menu.
struct UsageEntry {
    const char* text;
    int usage;
};
const std::vector<UsageEntry>& usageEntries(int cardFamily);
