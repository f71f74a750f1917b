#include "sim/rack_model.h"

#include "common/devices/rack_bus_map.h"

#include <algorithm>
#include <cmath>

namespace kw::sim {

namespace {

using namespace kw::rack_bus;

// The ZUPA's sense line as the QBT measures it: pulled down by the 5 V supply when that is
// fitted and switched to the measuring bus, else the open line's level.
constexpr double kSenseWithSupply = 0.02;
constexpr double kSenseOpen = 0.30;

// Reads of the QBT860's status that still show the conversion running.
constexpr int kConversionReads = 2;

} // namespace

RackModel::RackModel(Rack rack, bool selfTestBoard)
    : m_rack(std::move(rack)), m_selfTestBoard(selfTestBoard) {}

std::uint16_t RackModel::read(int system, int card, int function) {
    std::uint16_t value = 0;
    if (m_selfTestBoard) {
        value = static_cast<std::uint16_t>(system >= 32 ? function * 0x11 : card);
    } else if (m_rack.noAnswer || (system == 0 && m_rack.silentCards.count(card))) {
        value = 0;
    } else if (const auto fixed = m_rack.fixedReads.find({system, card, function});
               fixed != m_rack.fixedReads.end()) {
        value = fixed->second;
    } else if (!definedRead(system, card, function, &value)) {
        value = remembered(system, card, function);
    }
    m_log.read(system, card, function, value);
    return value;
}

void RackModel::write(int system, int card, int function, std::uint16_t data) {
    m_log.write(system, card, function, data);
    if (m_selfTestBoard) {
        return;
    }
    m_memory[{system, card, function}] = data;
    const auto qbt = m_rack.cards.find(kQbtCard);
    if (system == 0 && card == kQbtCard && function == 4 && (data & 1) &&
        qbt != m_rack.cards.end() && qbt->second.type == kQbt860) {
        m_conversionBusy = kConversionReads;
        m_conversion = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(std::lround(measure() / 0.4 * 32768)));
        m_highByteNext = false;
    }
}

bool RackModel::definedRead(int system, int card, int function, std::uint16_t* value) {
    if (card == kDecoderCard && function == 0 && (system == 0 || system == 1)) {
        *value = kindBits(system);
        return true;
    }
    if (system != 0) {
        return false;
    }
    if ((card == kExpansion1Controller || card == kExpansion2Controller) && function == 0) {
        const int housing = card == kExpansion1Controller ? 1 : 2;
        *value = m_rack.expansion >= housing ? 0x01 : 0xFF;
        return true;
    }
    if (card == kQbtCard && qbtRead(function, value)) {
        return true;
    }
    return cardRead(card, function, value);
}

bool RackModel::cardRead(int card, int function, std::uint16_t* value) const {
    const auto it = m_rack.cards.find(card);
    if (it == m_rack.cards.end()) {
        if (function == kIdentification && card != kDecoderCard) {
            *value = 0; // an empty slot: nobody drives the identification
            return true;
        }
        return false;
    }
    const Card& c = it->second;
    if (function == kIdentification) {
        *value = static_cast<std::uint16_t>(c.type == kZupaType ? 1 : c.type == kDecoderType ? 0 : c.type);
        return true;
    }
    if (c.type == kRelayCardType && (function == kSubVariant || function == kVariant)) {
        *value = static_cast<std::uint16_t>(c.variant);
        return true;
    }
    if (variantAtFunction14(c.type) && function == kVariant) {
        *value = static_cast<std::uint16_t>(c.variant);
        return true;
    }
    if (c.type == kTqdType && (function == kSubVariant || function == kVariant)) {
        *value =
            static_cast<std::uint16_t>(function == kVariant ? c.variant & 0xFF : c.variant >> 8);
        return true;
    }
    return false;
}

bool RackModel::qbtRead(int function, std::uint16_t* value) {
    const auto it = m_rack.cards.find(kQbtCard);
    if (it == m_rack.cards.end()) {
        return false;
    }
    if (it->second.type == kQbt860) {
        if (function == 0) {
            *value = m_conversionBusy > 0 ? 1 : 0;
            m_conversionBusy = m_conversionBusy > 0 ? m_conversionBusy - 1 : 0;
            return true;
        }
        if (function == 2) {
            *value = m_highByteNext ? m_conversion >> 8 : m_conversion & 0xFF;
            m_highByteNext = !m_highByteNext;
            return true;
        }
    } else if (it->second.type == kQbt520 && (function == 2 || function == 3)) {
        const auto raw = static_cast<std::uint16_t>(std::lround(measure() / 0.5 * 32768) + 32768);
        *value = function == 2 ? raw >> 8 : raw & 0xFF;
        return true;
    }
    return false;
}

std::uint16_t RackModel::kindBits(int system) const {
    if (system == 1) {
        return m_rack.kind == 4 ? kDecoderBitUlm : 0;
    }
    switch (m_rack.kind) {
    case 2:
        return kDecoderBit930;
    case 3:
        return kDecoderBit945;
    case 4:
    case 5:
        return kDecoderBitUlm;
    default:
        return 0;
    }
}

double RackModel::measure() const {
    const auto zupa = m_rack.cards.find(kZupaCard);
    const bool supply = zupa != m_rack.cards.end() && zupa->second.variant == 1;
    const bool switched = std::ranges::all_of(kZupaSenseSwitch, [&](const FunctionBit& sense) {
        return (remembered(0, kZupaCard, sense.function) & sense.bit) != 0;
    });
    return supply && switched ? kSenseWithSupply : kSenseOpen;
}

std::uint16_t RackModel::remembered(int system, int card, int function) const {
    const auto it = m_memory.find({system, card, function});
    return it == m_memory.end() ? 0 : it->second;
}

} // namespace kw::sim
