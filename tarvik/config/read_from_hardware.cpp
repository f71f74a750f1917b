#include "tarvik/config/read_from_hardware.h"

#include "tarvik/config/system_info.h"
#include "tarvik/config/testsystem_connection.h"

#include "common/devices/rack_bus_map.h"

namespace tarvik {

namespace {

using namespace kw::rack_bus;

int read(TestsystemConnection& connection, int card, int function) {
    int value = 0;
    if (TestsystemInterface* interface = connection.interface()) {
        interface->busRead(0, card, function, value);
    }
    return value;
}

// 255 (nobody answers), 0 and a set bit 0x20 all mean: no housing there.
bool housingAnswers(TestsystemConnection& connection, int address) {
    const int v = read(connection, address, 0);
    return v != 255 && v != 0 && !(v & 0x20);
}

bool variantAtFunction14(CardType typeCode) {
    return typeCode == CardType::Gat || typeCode == CardType::Ow || typeCode == CardType::Tif ||
           typeCode == CardType::Log || typeCode == CardType::Ruq300 || typeCode == CardType::Multi;
}

// The card at one address; typeCode 0 when none answers.
CardInfo identifyCard(CSystemInfo& system, TestsystemConnection& connection, int address) {
    const int v = read(connection, address, kIdentification);
    // The older cards report their code in the low four bits, the newer ones a full word
    // whose low four bits are all ones.
    CardType typeCode = static_cast<CardType>((v & 15) == 15 ? v : v & 15);
    int variant = 0;
    if (typeCode == CardType::Sew && address == kZupaCard) {
        const bool qbt860 = system.slots[kQbtCard].typeCode == CardType::Qbt860;
        variant = connection.zupaSupplyCheck(qbt860) ? 1 : 0;
        typeCode = CardType::Zupa;
    } else if (typeCode == CardType::Sew) {
        variant = read(connection, address, kSubVariant);
        if (variant == 0) {
            variant = read(connection, address, kVariant);
        }
    } else if (variantAtFunction14(typeCode)) {
        variant = read(connection, address, kVariant);
    } else if (typeCode == CardType::Tqd) {
        const int sense = read(connection, address, kSubVariant) & 1; // read first
        variant = read(connection, address, kVariant) + 256 * sense;
    }
    return CardInfo{typeCode, variant, 0};
}

} // namespace

const char* const kHardwareReadFailedText =
    "Der Systemausbau konnte nicht gelesen werden: eine Übertragung zum Testsystem ist "
    "fehlgeschlagen!";

bool readFromHardware(CSystemInfo& system, TestsystemConnection& connection) {
    TestsystemInterface* interface = connection.interface();
    const int failedBefore = interface ? interface->failedTransfers() : 0;
    const int kind = connection.systemKind();
    system.systemType = kind == 2 ? 930 : kind == 3 ? 945 : 860;
    system.hasExpansion1 = housingAnswers(connection, kExpansion1Controller);
    system.hasExpansion2 =
        system.hasExpansion1 && housingAnswers(connection, kExpansion2Controller);
    system.hasExtraAddresses = kind == 4 || kind == 5;
    system.lastOccupied = 0;
    system.buildPositions();

    for (int i = 0; i < static_cast<int>(system.positions.size()); ++i) {
        const int address = system.positions[i].cardAddress;
        if (address < 0) {
            continue;
        }
        CardInfo card;
        if (address == kDecoderCard) {
            card = CardInfo{CardType::Decoder, kind == 5 ? 1 : 0, kind == 4 ? 1 : 0};
        } else {
            card = identifyCard(system, connection, address);
            if (card.typeCode == CardType::None) {
                continue;
            }
        }
        system.slots[address] = internCardInfo(card.typeCode, card.variant, card.extra);
        system.lastOccupied = i == 0 ? 1 : i;
    }
    return !interface || interface->failedTransfers() == failedBefore;
}

} // namespace tarvik
