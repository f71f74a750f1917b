#pragma once

// One table per card family: what the configuration, the run data and the module generators
// know about the cards of a family, each value written once. A family's cards are numbered
// 1, 2, ... in rack order (the "family number"); the bus address of card n is entry n of its
// table, and the reset module initialises the card at the same address.
//
// Families that share a channel numbering (the matrix channels of KVR, SEQ and NORV; the
// digital channels of SEQ, GAT84, LOG and NORV; the relays of SEW and SEQ) say how far one
// card moves each numbering on.

#include "tarvik/config/card_catalogue.h"

#include <array>
#include <string_view>

namespace tarvik {

// Bus address by family number: the first entry is card 1's. Entries past the family's
// cards are 0 (no address).
using FamilyAddresses = std::array<int, 8>;

struct CardFamilyTable {
    Family family;
    std::string_view code;        // forms the module names of the positions ("KVR" -> "KVR_1")
    int maxCards;                 // how many cards of the family the modules serve
    std::string_view module;      // the module file of the family ("" when it has none)
    std::string_view resetCode;   // name in the reset module after "SEL860_" ("" for none)
    FamilyAddresses busAddresses; // by family number
    int channels = 0;             // channels of a card in its first numbering
    int logicChannels = 0;        // SEQ and NORV: channels in the digital numbering as well
    int relays = 0;               // SEQ: relays in the numbering shared with the SEW cards
};

namespace CardFamilies {

// Addresses every second one from `first` on, for `count` cards.
constexpr FamilyAddresses everySecond(int first, int count) {
    FamilyAddresses addresses{};
    for (int i = 0; i < count; ++i) {
        addresses[static_cast<std::size_t>(i)] = first + 2 * i;
    }
    return addresses;
}

// clang-format off
//                                  family          code     most module          reset     bus addresses            channels logic relays
// Families whose cards are numbered and generated from a card section.
inline constexpr CardFamilyTable kSew   {Family::Sew,    "SEW",    30, "sew.fct",     "",       {}};
inline constexpr CardFamilyTable kSeq   {Family::Seq,    "SEQ",     8, "seq.fct",     "SEQ",    everySecond(208, 8), 24, 32, 32};
// The bus addresses of the KVR part of a KVR860; its TQD part answers at the TQD addresses.
inline constexpr CardFamilyTable kKvr   {Family::Kvr,    "KVR",     8, "kvr.fct",     "KVR",    {112, 114, 116, 118, 40, 42, 44, 46}, 24};
inline constexpr CardFamilyTable kGat84 {Family::Gat84,  "GAT84",   4, "gat84.fct",   "GAT84_", everySecond(56, 4),  96};
inline constexpr CardFamilyTable kLog   {Family::Log,    "LOG",     8, "logik.fct",   "LOG",    everySecond(48, 8),  32};
// An FJN860 takes 8 channels of its numbering, also when only 4 of them are fitted.
inline constexpr CardFamilyTable kFjn   {Family::Fjn,    "FJN",     4, "fjn.fct",     "FJN",    {78, 76, 122, 120},   8};
// The JEL6 has two modules, the function test and the component test (kJelComponentModule).
inline constexpr CardFamilyTable kJel   {Family::Jel,    "JEL",     8, "jel_fkt.fct", "NOHK",   everySecond(80, 8),   8};
// The TQD76 has kTqd76Channels, the other TQD cards kTqd.channels.
inline constexpr CardFamilyTable kTqd   {Family::Tqd,    "TQD",     8, "tqd.fct",     "TQD",    everySecond(144, 8), 48};
inline constexpr CardFamilyTable kNorv  {Family::Norv,   "NORV",    8, "norv.fct",    "NORV",   everySecond(128, 8), 24, 32};
inline constexpr CardFamilyTable kYot   {Family::Yot,    "YOT",     8, "yot.fct",     "YOT",    everySecond(24, 8),  16};
inline constexpr CardFamilyTable kDwb   {Family::Dwb,    "DWB",     8, "dwb.fct",     "DWB",    everySecond(176, 8), 16};
// BAQ44 and GIV12 cards count together as the BAQ family (one reset group); the BAQ44 takes
// 48 channels of its numbering, the GIV12 16 of its own.
inline constexpr CardFamilyTable kBaq   {Family::Baq,    "BAQ",     8, "baq.fct",     "BAQ",    everySecond(224, 8), 48};
inline constexpr CardFamilyTable kGiv   {Family::Baq,    "BAQ",     8, "giv.fct",     "",       everySecond(224, 8), 16};
// Single cards: one card of the family at a fixed bus address.
inline constexpr CardFamilyTable kOw520 {Family::Ow520,  "OW520",   1, "ow520.fct",   "OW520",  {64}};
inline constexpr CardFamilyTable kOw860 {Family::Ow860,  "OW860",   1, "ow860.fct",   "OW860",  {124}};
inline constexpr CardFamilyTable kTif   {Family::Tif,    "TIF",     1, "tif.fct",     "TIF",    {68}};
inline constexpr CardFamilyTable kWu25  {Family::Wu25,   "WU2-5",   1, "wu2_5.fct",   "WU2-5",  {70}};
inline constexpr CardFamilyTable kHtr   {Family::Htr,    "HTR",     1, "htr.fct",     "HTR",    {72}};
inline constexpr CardFamilyTable kPew860{Family::Pew860, "PEW860",  1, "pew860.fct",  "PEW860", {240}};
inline constexpr CardFamilyTable kRuq   {Family::Ruq,    "RUQ",     1, "ruq300.fct",  "RUQ300", {66}};
inline constexpr CardFamilyTable kUlm860{Family::Ulm860, "ULM860",  1, "ulm860.fct",  "ULM",    {20}};
// The XAB-60V is no card of the rack's card addresses: the system has it or not.
inline constexpr CardFamilyTable kXab60V{Family::NoModule, "",      0, "xab60v.fct",  "XAB-60V", {74}};
// clang-format on

inline constexpr std::string_view kJelComponentModule = "jel_ict.ict";
inline constexpr int kTqd76Channels = 72;

// Every family a position can be generated under, in the order of the family codes.
inline constexpr std::array<const CardFamilyTable*, 20> kAll = {
    &kSew, &kSeq, &kKvr,   &kGat84, &kLog, &kFjn,  &kJel, &kTqd,    &kNorv, &kYot,
    &kDwb, &kBaq, &kOw520, &kOw860, &kTif, &kWu25, &kHtr, &kPew860, &kRuq,  &kUlm860,
};

} // namespace CardFamilies

// The table of a family; nullptr for the families without one (no module, empty).
constexpr const CardFamilyTable* cardFamilyTable(Family family) {
    for (const CardFamilyTable* table : CardFamilies::kAll) {
        if (table->family == family) {
            return table;
        }
    }
    return nullptr;
}

// The bus address of card `familyNumber` (1-based) of a family; 0 outside the table.
constexpr int familyBusAddress(const CardFamilyTable& table, int familyNumber) {
    return familyNumber >= 1 && familyNumber <= static_cast<int>(table.busAddresses.size())
               ? table.busAddresses[static_cast<std::size_t>(familyNumber - 1)]
               : 0;
}

} // namespace tarvik
