#include "tarvik/config/card_catalogue.h"

#include "tarvik/config/card_families.h"

#include "common/devices/rack_bus_map.h"

#include <array>
#include <deque>
#include <mutex>

namespace tarvik {

namespace {

using namespace kw::rack_bus;

constexpr const char* kEmptyText = "(leer)";
constexpr const char* kNotOccupiable = "(nicht belegbar)";

using T = CardType;

// The choices of every address without a special list, in menu order.
constexpr std::array<CardInfo, 36> kGeneralChoices = {{
    {T::None, 0, 0},    {T::Sew, 0, 0},     {T::Sew, 2, 0},    {T::Sew, 96, 0},   {T::Sew, 5, 0},
    {T::Kvr860, 0, 1},  {T::Kvr860, 0, 2},  {T::Kvr860, 0, 3}, {T::Log, 0, 0},    {T::Log, 11, 0},
    {T::Gat, 2, 0},     {T::Norv860, 0, 0}, {T::Fjn860, 0, 1}, {T::Fjn860, 0, 2}, {T::Jel6, 0, 0},
    {T::Czep520, 0, 0}, {T::Pew28, 0, 0},   {T::Ow, 0, 0},     {T::Ow, 1, 0},     {T::Tif, 0, 0},
    {T::Tif, 1, 0},     {T::Wu520, 0, 0},   {T::Htr520, 0, 0}, {T::Tqd, 0, 0},    {T::Tqd, 1, 0},
    {T::Tqd, 257, 0},   {T::Tqd, 2, 0},     {T::Tqd, 258, 0},  {T::Tqd, 4, 0},    {T::Dwb860, 0, 0},
    {T::Ruq300, 0, 0},  {T::Ruq300, 1, 0},  {T::Multi, 1, 0},  {T::Multi, 2, 0},  {T::Multi, 4, 0},
    {T::Multi, 6, 0},
}};
constexpr std::array<CardInfo, 2> kQbtChoices = {{{T::Qbt520, 0, 0}, {T::Qbt860, 0, 0}}};
constexpr std::array<CardInfo, 3> kZupaChoices = {
    {{T::None, 0, 0}, {T::Zupa, 0, 0}, {T::Zupa, 1, 0}}};
constexpr std::array<CardInfo, 2> kDecoderChoices = {{{T::Decoder, 0, 0}, {T::Decoder, 1, 0}}};
constexpr std::array<CardInfo, 2> kDax19Choices = {{{T::None, 0, 0}, {T::Multi, 3, 0}}};

std::string sewName(std::int32_t variant) {
    switch (variant) {
    case 0: return "SEW28";
    case 2: return "SEW28/56";
    case 5: return "SEQ28";
    case 32: return "SEW84(28K)";
    case 64: return "SEW84(56K)";
    case 96: return "SEW84";
    default: return "SEW";
    }
}

std::string kvrName(std::int32_t extra, bool detail) {
    if (detail) {
        switch (extra) {
        case 1: return "KVR860 (ohne NG)";
        case 2: return "KVR860 (NG++)";
        case 3: return "KVR860 (NG+-)";
        default: break;
        }
    }
    return "KVR860";
}

std::string tqdName(std::int32_t variant, bool detail) {
    if (variant == 4) {
        return "TQD76";
    }
    if (detail) {
        switch (variant) {
        case 0: return "TQD860 (Matrix)";
        case 1: return "TQD860 (NG++)";
        case 2: return "TQD860 (NG+-)";
        case 257: return "TQD860 (NG++ NS)";
        case 258: return "TQD860 (NG+- NS)";
        default: break;
        }
    }
    return "TQD860";
}

std::string multiName(std::int32_t variant) {
    switch (variant) {
    case 1: return "YOT860";
    case 2:
    case 5: return "PEW860";
    case 3: return "DAX19";
    case 4: return "BAQ44";
    case 6: return "GIV12";
    default: return "unbekannt";
    }
}

template <std::size_t N>
const CardInfo* choiceFrom(const std::array<CardInfo, N>& choices, int choice) {
    if (choice < 0 || static_cast<std::size_t>(choice) >= N) {
        return nullptr;
    }
    const CardInfo& c = choices[choice];
    return &internCardInfo(c.typeCode, c.variant, c.extra);
}

} // namespace

const CardInfo& internCardInfo(CardType typeCode, std::int32_t variant, std::int32_t extra) {
    // A deque keeps every handed-out instance at its address while the list grows.
    static std::mutex guard;
    static std::deque<CardInfo> instances;
    const CardInfo wanted{typeCode, variant, extra};
    std::lock_guard lock(guard);
    for (const CardInfo& instance : instances) {
        if (instance == wanted) {
            return instance;
        }
    }
    return instances.emplace_back(wanted);
}

std::string cardName(const CardInfo& card, bool detail) {
    const std::int32_t v = card.variant;
    switch (card.typeCode) {
    case CardType::None: return "";
    case CardType::Sew: return sewName(v);
    case CardType::Kvr860: return kvrName(card.extra, detail);
    case CardType::Gat: return v == 2 ? "GAT84" : "DGAT520";
    case CardType::Qbt520: return "QBT520";
    case CardType::Czep520: return "CZEP520";
    case CardType::Ow: return v == 1 ? "OW860" : "OW520";
    case CardType::Tif: return v == 1 ? "TIF860" : "TIF520";
    case CardType::Pew28: return "PEW28";
    case CardType::Log: return v == 11 ? "GAT860" : "AGAT520";
    case CardType::Wu520: return "WU520";
    case CardType::Htr520: return "HTR520";
    case CardType::Fjn860:
        if (detail && card.extra == 1) {
            return "FJN860 (8 Kanäle)";
        }
        if (detail && card.extra == 2) {
            return "FJN860 (4 Kanäle)";
        }
        return "FJN860";
    case CardType::Jel6: return "JEL6";
    case CardType::Zupa: return detail && v == 1 ? "ZUPA (5V-NG)" : "ZUPA";
    case CardType::Qbt860: return "QBT860";
    case CardType::Tqd: return tqdName(v, detail);
    case CardType::Norv860: return "NORV860";
    case CardType::Dwb860: return "DWB860";
    case CardType::Ruq300: return detail && v == 1 ? "RUQ300 (mit NG)" : "RUQ300";
    case CardType::Multi: return multiName(v);
    case CardType::Decoder:
        if (v == 0) {
            return "ULM520";
        }
        return v == 1 ? "ULM860" : "unbekannt";
    default: return "unbekannt";
    }
}

std::string cardDetail(const CardInfo& card) {
    switch (card.typeCode) {
    case CardType::Kvr860:
        switch (card.extra) {
        case 1: return "ohne NG";
        case 2: return "NG ++";
        case 3: return "NG +-";
        default: return "";
        }
    case CardType::Tqd:
        switch (card.variant) {
        case 0: return "Matrix";
        case 1: return "NG ++";
        case 2: return "NG +-";
        case 257: return "NG ++ NS";
        case 258: return "NG +- NS";
        default: return "";
        }
    case CardType::Fjn860:
        if (card.extra == 1) {
            return "8 Kanäle";
        }
        return card.extra == 2 ? "4 Kanäle" : "";
    case CardType::Ruq300: return card.variant == 1 ? "mit NG" : "";
    case CardType::Zupa: return card.variant == 1 ? "5V-NG" : "";
    case CardType::Decoder: return card.extra == 1 ? "(ULM860)" : "";
    default: return "";
    }
}

Family familyOfSlot(int cardAddress, const CardInfo& slot) {
    if (cardAddress < 0 || cardAddress > 63) {
        return Family::Empty;
    }
    const std::int32_t v = slot.variant;
    switch (slot.typeCode) {
    // The ZUPA position never counts as empty, so it never offers usage choices.
    case CardType::None: return cardAddress == kZupaCard ? Family::NoModule : Family::Empty;
    case CardType::Sew: return v == 5 ? Family::Seq : Family::Sew;
    case CardType::Kvr860: return Family::Kvr;
    case CardType::Gat: return v == 2 ? Family::Gat84 : Family::NoModule;
    case CardType::Ow: return v == 1 ? Family::Ow860 : Family::Ow520;
    case CardType::Tif: return Family::Tif;
    case CardType::Log: return Family::Log;
    case CardType::Wu520: return Family::Wu25;
    case CardType::Htr520: return Family::Htr;
    case CardType::Fjn860: return Family::Fjn;
    case CardType::Jel6: return Family::Jel;
    case CardType::Tqd: return Family::Tqd;
    case CardType::Norv860: return Family::Norv;
    case CardType::Dwb860: return Family::Dwb;
    case CardType::Ruq300: return v == 1 ? Family::Ruq : Family::NoModule;
    case CardType::Multi:
        switch (v) {
        case 1: return Family::Yot;
        case 2:
        case 5: return Family::Pew860;
        case 4:
        case 6: return Family::Baq;
        default: return Family::NoModule;
        }
    case CardType::Decoder: return v != 0 ? Family::Ulm860 : Family::NoModule;
    default: return Family::NoModule;
    }
}

std::string familyCode(Family family) {
    const CardFamilyTable* table = cardFamilyTable(family);
    return table != nullptr ? std::string(table->code) : "---";
}

int familyLimit(Family family) {
    const CardFamilyTable* table = cardFamilyTable(family);
    return table != nullptr ? table->maxCards : 1;
}

const CardInfo* cardChoice(int cardAddress, int choice) {
    switch (cardAddress) {
    case kQbtCard: return choiceFrom(kQbtChoices, choice);
    case kZupaCard: return choiceFrom(kZupaChoices, choice);
    case kDecoderCard: return choiceFrom(kDecoderChoices, choice);
    case 50: return choiceFrom(kDax19Choices, choice);
    default: return cardAddress < 0 ? nullptr : choiceFrom(kGeneralChoices, choice);
    }
}

std::vector<std::string> cardChoiceTexts(int cardAddress) {
    if (cardAddress < 0) {
        return {kNotOccupiable};
    }
    std::vector<std::string> texts;
    for (int k = 0; const CardInfo* card = cardChoice(cardAddress, k); ++k) {
        std::string name = cardName(*card, true);
        texts.push_back(name.empty() ? kEmptyText : name);
    }
    return texts;
}

const std::vector<UsageEntry>& usageEntries(Family cardFamily) {
    static const std::vector<UsageEntry> kvr = {{"KVR", Family::NoModule}, {"TQD", Family::Tqd}};
    static const std::vector<UsageEntry> ruq = {{kEmptyText, Family::Empty},
                                                {"RUQ", Family::NoModule}};
    // An empty position may be reserved for any family with numbered modules except SEW.
    static const std::vector<UsageEntry> empty = {
        {kEmptyText, Family::NoModule}, {"SEQ", Family::Seq}, {"KVR", Family::Kvr},
        {"GAT84", Family::Gat84},       {"LOG", Family::Log}, {"FJN", Family::Fjn},
        {"JEL", Family::Jel},           {"TQD", Family::Tqd}, {"NORV", Family::Norv},
        {"YOT", Family::Yot},           {"DWB", Family::Dwb}, {"BAQ", Family::Baq},
    };
    static const std::vector<UsageEntry> none;
    switch (cardFamily) {
    case Family::Kvr: return kvr;
    case Family::Ruq: return ruq;
    case Family::Empty: return empty;
    default: return none;
    }
}

} // namespace tarvik
