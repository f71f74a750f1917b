#pragma once

// The test system behind an adapter, as it answers bus words.
//
// Reads are answered, in this order of precedence:
//   1. the USB self-test board, when it is plugged on instead of the rack: a system address
//      below 32 echoes the card address, 32 and above the function address in both nibbles;
//   2. "fault noanswer": 0;
//   3. a fixed value of a "reg" statement;
//   4. what the rack defines:
//      - function 15 of a card address (system 0): the card's identification (its type code;
//        the ZUPA at 14 reports 1), 0 for an empty address;
//      - card 15 function 0: the decoder's kind bits (0x10 kind 2, 0x20 kind 3, 0x40 kinds
//        4 and 5); at system 1 the second decoder, which answers 0x40 only in kind 4;
//      - card 31 / 47 function 0: 0x01 when the first / second expansion housing is fitted,
//        else 0xFF (nobody answers);
//      - the variant: relay cards (type 1) at functions 12 and 14; types 3, 6, 7, 10, 143 and
//        239 at function 14; TQD (47) the low byte at 14 and the sense bit at 12, bit 0;
//      - the QBT card at 0 measuring the ZUPA's sense line (see measure()): QBT860 conversion
//        started by writing function 4, busy in bit 0 of function 0, result read from
//        function 2 low byte then high byte; QBT520 high byte at 2, low byte at 3;
//   5. the value last written to the same (system, card, function);
//   6. 0.
// Every bus word served goes to the bus log.

#include "sim/bus_log.h"
#include "sim/rack.h"

#include <cstdint>
#include <map>

namespace kw::sim {

class RackModel {
public:
    RackModel(Rack rack, bool selfTestBoard);

    std::uint16_t read(int system, int card, int function);
    void write(int system, int card, int function, std::uint16_t data);

    void setLog(BusLog log) { m_log = std::move(log); }
    const Rack& rack() const { return m_rack; }

private:
    bool definedRead(int system, int card, int function, std::uint16_t* value);
    bool cardRead(int card, int function, std::uint16_t* value) const;
    bool qbtRead(int function, std::uint16_t* value);
    std::uint16_t kindBits(int system) const;
    double measure() const;
    std::uint16_t remembered(int system, int card, int function) const;

    Rack m_rack;
    bool m_selfTestBoard;
    BusLog m_log;
    std::map<BusAddress, std::uint16_t> m_memory;
    // QBT860 conversion: reads of function 0 still busy, the result and which byte is next.
    int m_conversionBusy = 0;
    std::uint16_t m_conversion = 0;
    bool m_highByteNext = false;
};

} // namespace kw::sim
