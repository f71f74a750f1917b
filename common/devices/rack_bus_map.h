#pragma once

// The fixed places on a rack's card bus (system 0) that do not depend on the cards fitted:
// where the decoder, the ZUPA and the housing controllers answer, at which functions a card
// tells what it is, and the bits the system's kind and the ZUPA's sense switch use. tarvik reads
// the rack through them and the simulator answers at them, so both must agree on every number.

namespace kw::rack_bus {

enum CardAddress : int {
    kQbtCard = 0,
    kZupaCard = 14,
    kDecoderCard = 15,
    // The housing controllers of the first and second expansion housing, read at function 0.
    kExpansion1Controller = 31,
    kExpansion2Controller = 47,
};

// The functions at which a card tells what it is.
enum CardFunction : int { kIdentification = 15, kVariant = 14, kSubVariant = 12 };

// What the QBT card reports at kIdentification: the QBT520 in the low four bits, the QBT860
// as the whole word.
enum QbtIdentification : int { kQbt520 = 4, kQbt860 = 31 };

// Bits of the decoder's function 0 that tell which kind of system the rack is.
enum DecoderBit : int { kDecoderBit930 = 0x10, kDecoderBit945 = 0x20, kDecoderBitUlm = 0x40 };

// The ZUPA switches its 5 V supply's sense line to the measuring bus while both of these bits
// are set, each at its own function of the ZUPA card.
struct FunctionBit {
    int function;
    int bit;
};
inline constexpr FunctionBit kZupaSenseSwitch[] = {{3, 0x40}, {7, 0x80}};

} // namespace kw::rack_bus
