#pragma once

// The catalogue of card kinds: names and details of every card triple, the module family a
// card is generated under, the family codes that form module names, how many cards of one
// family the modules can serve, and the choices a user may pick for a card address or for
// the usage of a position.

#include <cstdint>
#include <string>
#include <vector>

namespace tarvik {

// Type codes as the cards report them (the older cards in the low four bits, the newer ones
// as a full identification word) and the two codes the program assigns itself. A card may
// report a code not named here; it keeps its number.
enum class CardType : std::int32_t {
    None = 0,
    Sew = 1,
    Kvr860 = 2,
    Gat = 3,
    Qbt520 = 4,
    Czep520 = 5,
    Ow = 6,
    Tif = 7,
    Pew28 = 8,
    Log = 10,
    Wu520 = 11,
    Htr520 = 12,
    Fjn860 = 13,
    Jel6 = 14,
    Zupa = 15, // assigned to the card at address 14 that reports code 1
    Qbt860 = 31,
    Tqd = 47,
    Norv860 = 79,
    Dwb860 = 111,
    Ruq300 = 143,
    Multi = 239,   // YOT860, PEW860, DAX19, BAQ44, GIV12 by variant
    Decoder = 256, // the decoder at card address 15
};

// One card kind: the type code the card reports on the bus and two sub-types.
struct CardInfo {
    CardType typeCode = CardType::None;
    std::int32_t variant = 0;
    std::int32_t extra = 0;

    friend bool operator==(const CardInfo&, const CardInfo&) = default;
};

// The number of a type code, as files and the bus carry it.
constexpr std::int32_t typeNumber(CardType type) {
    return static_cast<std::int32_t>(type);
}

// Module families: which test module the generator writes for a card. A position's usage
// stores one of them (NoModule: no usage chosen).
enum class Family : std::int32_t {
    NoModule = 0,
    Empty = 1,
    Sew = 2,
    Seq = 3,
    Kvr = 4,
    Gat84 = 5,
    Log = 6,
    Fjn = 7,
    Jel = 8,
    Tqd = 9,
    Norv = 10,
    Yot = 11,
    Dwb = 12,
    Baq = 13,
    Ow520 = 14,
    Ow860 = 15,
    Tif = 16,
    Wu25 = 17,
    Htr = 18,
    Pew860 = 19,
    Ruq = 20,
    Ulm860 = 21,
};

// The one shared instance of a triple. Instances live until program exit and never change,
// so references may be kept and compared by address.
const CardInfo& internCardInfo(CardType typeCode, std::int32_t variant, std::int32_t extra);

// Display name of a card; the detailed name adds the fitted variant ("KVR860 (NG++)").
// The empty card has an empty name.
std::string cardName(const CardInfo& card, bool detail);

// The detail text shown next to the name ("NG ++"), empty for most cards.
std::string cardDetail(const CardInfo& card);

// Module family of the card held by the slot of a card address (see CSystemInfo).
Family familyOfSlot(int cardAddress, const CardInfo& slot);

// Family code that forms module names ("KVR"); "---" for families without modules.
std::string familyCode(Family family);

// How many cards of one family the modules can serve.
int familyLimit(Family family);

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
    Family usage;
};
const std::vector<UsageEntry>& usageEntries(Family cardFamily);

} // namespace tarvik
