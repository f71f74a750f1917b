#include "tarvik/config/system_info.h"

#include "common/devices/rack_bus_map.h"
#include "common/text/line_file.h"

#include <algorithm>

namespace tarvik {

namespace {

using namespace kw::rack_bus;

constexpr int kNoCard = -1;

bool isSlotAddress(int cardAddress) {
    return cardAddress >= 0 && cardAddress < CSystemInfo::kSlotCount;
}

// "P" and the number. Appended rather than "P" + text: GCC 12 at -O3 takes the insert at the
// front of a temporary for an overlapping copy (-Wrestrict).
std::string positionText(int number) {
    std::string text = "P";
    text += std::to_string(number);
    return text;
}

} // namespace

void CSystemInfo::appendHousing(int housing, int firstAddress, int extraAddress,
                                int lastAddress) const {
    for (int p = 4; p <= 14; ++p) {
        positions.push_back({housing, p, firstAddress + (p - 4)});
    }
    positions.push_back({housing, 15, hasExtraAddresses ? extraAddress : kNoCard});
    positions.push_back({housing, 16, hasExtraAddresses ? extraAddress + 1 : kNoCard});
    positions.push_back({housing, 17, lastAddress});
    positions.push_back({housing, 18, lastAddress + 1});
}

void CSystemInfo::buildPositions() const {
    if (!positions.empty()) {
        return;
    }
    if (systemType == 945 || systemType == 930) {
        const int last = systemType == 945 ? 13 : 8;
        for (int p = 0; p <= last; ++p) {
            positions.push_back({1, p, p});
        }
        return;
    }
    positions.push_back({1, 2, kDecoderCard});
    positions.push_back({1, 3, kQbtCard});
    appendHousing(1, 1, 48, 12);
    positions.push_back({1, 19, kZupaCard});
    positions.push_back({1, -50, hasExtraAddresses ? 50 : kNoCard});
    if (hasExpansion1) {
        appendHousing(2, 17, 52, 28);
    }
    if (hasExpansion2) {
        appendHousing(3, 33, 56, 44);
    }
}

bool CSystemInfo::isShownIndex(int index) const {
    buildPositions();
    return index >= 0 && index < static_cast<int>(positions.size());
}

std::string CSystemInfo::positionName(int index) const {
    if (!isShownIndex(index)) {
        return "";
    }
    const SelPosition& p = positions[index];
    if (systemType == 945 || systemType == 930) {
        return p.cardAddress != 0 ? positionText(p.position) : "QBT";
    }
    if (p.cardAddress == kZupaCard) {
        return "ZUPA";
    }
    if (p.position < 0) {
        return "Ad" + std::to_string(-p.position);
    }
    if (hasExpansion1) {
        return positionText(p.housing) + "-" + std::to_string(p.position);
    }
    return positionText(p.position);
}

int CSystemInfo::visibleCount() const {
    buildPositions();
    const int all = static_cast<int>(positions.size());
    if (systemType == 945 && lastOccupied > 0) {
        // Never more rows than positions, however often a position was added.
        return std::min(std::max(lastOccupied + 1, 4), all);
    }
    return all;
}

bool CSystemInfo::canAddVisiblePosition() const {
    buildPositions();
    return systemType == 945 && lastOccupied + 1 < static_cast<int>(positions.size());
}

int CSystemInfo::addVisiblePosition() {
    buildPositions();
    const int all = static_cast<int>(positions.size());
    if (systemType == 945 && lastOccupied > 0 && lastOccupied + 1 < all) {
        lastOccupied = std::max(lastOccupied + 1, 4);
        return lastOccupied;
    }
    return all;
}

Family CSystemInfo::moduleFamily(int cardAddress) const {
    if (!isSlotAddress(cardAddress)) {
        return Family::Empty;
    }
    return familyOfSlot(cardAddress, slots[cardAddress]);
}

Family CSystemInfo::effectiveFamily(int index) const {
    if (!isShownIndex(index)) {
        return Family::NoModule;
    }
    const SelPosition& p = positions[index];
    const Family own = moduleFamily(p.cardAddress);
    const bool usageWins = own == Family::Empty || (own == Family::Kvr && p.usage == Family::Tqd) ||
                           (own == Family::Ruq && p.usage == Family::Empty);
    return usageWins ? p.usage : own;
}

int CSystemInfo::countFamily(Family family) const {
    return countFamilyBefore(family, visibleCount());
}

int CSystemInfo::countFamilyBefore(Family family, int index) const {
    const int n = std::min(index, visibleCount());
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if (effectiveFamily(i) == family) {
            ++count;
        }
    }
    return count;
}

std::string CSystemInfo::moduleName(int index) const {
    if (!isShownIndex(index)) {
        return "";
    }
    const SelPosition& p = positions[index];
    if (moduleFamily(p.cardAddress) == Family::Ruq && p.usage == Family::Empty) {
        return "";
    }
    const Family family = effectiveFamily(index);
    if (family == Family::NoModule || family == Family::Empty) {
        return "";
    }
    const int earlier = countFamilyBefore(family, index);
    const int limit = familyLimit(family);
    if (earlier >= limit) {
        return "";
    }
    if (limit == 1) {
        return familyCode(family);
    }
    return familyCode(family) + "_" + std::to_string(earlier + 1);
}

std::string CSystemInfo::usageChoice(int index, int choice) const {
    if (!isShownIndex(index)) {
        return "";
    }
    const auto& entries = usageEntries(moduleFamily(positions[index].cardAddress));
    if (choice < 0 || choice >= static_cast<int>(entries.size())) {
        return "";
    }
    return entries[choice].text;
}

bool CSystemInfo::setUsage(int index, int choice) {
    if (!isShownIndex(index)) {
        return false;
    }
    SelPosition& p = positions[index];
    const auto& entries = usageEntries(moduleFamily(p.cardAddress));
    if (entries.empty()) {
        return true; // nothing to store; the caller only redraws
    }
    if (choice < 0 || choice >= static_cast<int>(entries.size())) {
        return false;
    }
    const Family usage = entries[choice].usage;
    const bool changed = p.usage != usage;
    p.usage = usage;
    return changed;
}

bool CSystemInfo::hasSeqCard() const {
    buildPositions();
    const int last = std::min(lastOccupied, static_cast<int>(positions.size()) - 1);
    for (int i = 0; i <= last; ++i) {
        const int address = positions[i].cardAddress;
        if (isSlotAddress(address) && address != kZupaCard &&
            slots[address].typeCode == CardType::Sew && slots[address].variant == 5) {
            return true;
        }
    }
    return false;
}

void CSystemInfo::setManual(int type, bool expansion1, bool expansion2, bool newDecoder) {
    // Start from an empty rack, so that positions and slots match the chosen type.
    slots = {};
    positions.clear();
    systemType = type;
    hasExtraAddresses = true;
    hasExpansion1 = type == 860 && expansion1;
    hasExpansion2 = type == 860 && expansion1 && expansion2;
    lastOccupied = 7;
    slots[kQbtCard] = {type == 860 ? CardType::Qbt860 : CardType::Qbt520, 0, 0};
    if (type == 860) {
        slots[kDecoderCard] = {CardType::Decoder, newDecoder ? 1 : 0, 0};
    }
    if (newDecoder) {
        slots[50] = {CardType::Multi, 3, 0};
    }
    buildPositions();
}

std::vector<std::string> CSystemInfo::sysInfoLines() const {
    std::vector<std::string> lines;
    for (int address = 0; address < kSlotCount; ++address) {
        const CardInfo& card = slots[address];
        if (card.typeCode != CardType::None) {
            lines.push_back(std::to_string(address) + " " +
                            std::to_string(typeNumber(card.typeCode)) + " " +
                            std::to_string(card.variant));
        }
    }
    return lines;
}

bool CSystemInfo::writeSysInfo(const std::filesystem::path& path, kw::Durability durability) const {
    return kw::writeLineFile(path, sysInfoLines(), durability);
}

} // namespace tarvik
