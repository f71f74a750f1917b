#pragma once

// The generator's picture of one test system: its type, the expansion housings, the card at
// each of the 64 card addresses and the slot positions through which the user sees and edits
// the configuration.

#include "common/text/line_file.h"
#include "tarvik/config/card_catalogue.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvik {

// One slot position of a housing.
struct SelPosition {
    std::int32_t housing = 1;        // 1 main housing, 2 and 3 the expansion housings
    std::int32_t position = 0;       // number printed on the housing; negative for "Ad" slots
    std::int32_t cardAddress = 0;    // -1 when the position cannot take a card
    Family usage = Family::NoModule; // or the module family chosen by the user

    friend bool operator==(const SelPosition&, const SelPosition&) = default;
};

class CSystemInfo {
public:
    static constexpr int kSlotCount = 64;

    int systemType = 860;
    bool hasExpansion1 = false;
    bool hasExpansion2 = false;
    bool hasExtraAddresses = false;
    std::array<CardInfo, kSlotCount> slots{};
    bool hasXab60V = false;
    int lastOccupied = 0;
    // The slot positions of the system type and housings, built on first use (a cache of
    // them: a query fills it when it is empty) or by buildPositions().
    mutable std::vector<SelPosition> positions;

    // Fills the positions of the system type when there are none yet.
    void buildPositions() const;

    // Label of a position ("P4", "P1-4", "ZUPA", "Ad50", "QBT"); empty outside the array.
    std::string positionName(int index) const;

    // Number of positions shown, counted from the first.
    int visibleCount() const;

    // Shows one more position of a 945 system; returns its index, or the number of positions
    // when no further one can be shown.
    int addVisiblePosition();

    // Whether "Position hinzufügen" is offered: only on a 945 system with hidden positions.
    bool canAddVisiblePosition() const;

    // Module family of the card in the slot of a card address.
    Family moduleFamily(int cardAddress) const;

    // Family a position is generated under, taking its usage into account.
    Family effectiveFamily(int index) const;

    // Number of shown positions whose effective family is the given one: all of them, or
    // those before the position `index` (all shown ones for an index beyond them).
    int countFamily(Family family) const;
    int countFamilyBefore(Family family, int index) const;

    // Module name of a position's card ("KVR_1", "OW860"); empty when nothing is generated.
    std::string moduleName(int index) const;

    // Usage menu of a position: the choice-th text, empty after the last one.
    std::string usageChoice(int index, int choice) const;

    // Stores the usage of a menu choice; reports whether the caller must redraw.
    bool setUsage(int index, int choice);

    // Whether a SEQ28 card sits in one of the occupied positions.
    bool hasSeqCard() const;

    // Default configuration of a system type without hardware.
    void setManual(int type, bool expansion1, bool expansion2, bool newDecoder);

    // Writes tarvik.sysinfo; false when the file cannot be created.
    bool writeSysInfo(const std::filesystem::path& path,
                      kw::Durability durability = kw::Durability::Synced) const;

    // Content of tarvik.sysinfo: one line "address typeCode variant" per occupied slot.
    std::vector<std::string> sysInfoLines() const;

private:
    bool isShownIndex(int index) const;
    void appendHousing(int housing, int firstAddress, int extraAddress, int lastAddress) const;
};

} // namespace tarvik
