#pragma once

// A rack file: one bus adapter and the test system behind it, one statement per line, "#"
// starts a comment.
//
//   adapter usb860 serial=N [speed=low|full|high] [ulm860] [selftest-board]
//   adapter int41 [base=0x310] [badcheck] [busy=N]
//   adapter int900 [base=0x300]
//   kind 1..5                     system kind: 1 860, 2 930, 3 945, 4 860 with ULM860
//                                 decoder (ULM520 mode), 5 860 with ULM860 decoder
//   expansion 0|1|2               expansion housings
//   card ADDR TYPE VARIANT        a card (also written as a bare "ADDR TYPE VARIANT" line,
//                                 so a tarvik.sysinfo is a rack)
//   reg SYS CARD FUNC VALUE       a fixed read value of one bus address
//   fault noanswer [CARD...]      the rack (or those card addresses) answers every read with 0
//   fault fail|short [after=N] [every=N] [count=N]   transfers fail / come back short
//   fault delay MS [after=N] [every=N] [count=N]     transfers take MS milliseconds
//   fault unplug after=N          the adapter is unplugged after N transfers
//   fault stuck REG BIT 0|1       INT41 register bit stuck at a level
//   fault shorted REG BIT REG BIT two INT41 register bits shorted together (read as AND)
//
// Numbers are decimal or 0x-hexadecimal. Without an adapter statement the rack is reached
// through a USB860 adapter whose serial number the simulator assigns. Without a kind
// statement the kind is 5 when the decoder line "15 256 1" or an ulm860 adapter says so,
// else 1. Cards must be what the identification reads can recover exactly: a variant only
// where the card reports one, the decoder (type 256) only at 15, the ZUPA (type 15) only
// at 14, nothing at the housing addresses 31 and 47.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace kw::sim {

enum class AdapterType { Usb860, Int41, Int900 };

struct AdapterSpec {
    AdapterType type = AdapterType::Usb860;
    std::string serial;         // USB860; empty: assigned by the simulator
    int speed = 2;              // USB860: 0 low, 1 full, 2 high speed
    bool ulm860 = false;        // USB860: the decoder runs in ULM860 mode
    bool selfTestBoard = false; // USB860: the self-test board is plugged on instead of the rack
    int base = 0;               // INT41 / INT900 port base; 0: the driver knows none
    bool badCheck = false;      // INT41: register 7 does not double the function address
    int busyReads = 1;          // INT41: reads of register 5 that show busy after register 1
};

struct Card {
    int type = 0;
    int variant = 0;
};

// Card type codes that the identification reads treat specially.
constexpr int kRelayCardType = 1;
constexpr int kZupaType = 15;
constexpr int kTqdType = 47;
constexpr int kDecoderType = 256;

// Whether a card of this type reports its variant at function 14.
inline bool variantAtFunction14(int type) {
    return type == 3 || type == 6 || type == 7 || type == 10 || type == 143 || type == 239;
}

struct TransferFault {
    enum class Kind { Fail, Short, Delay };
    Kind kind = Kind::Fail;
    long after = 0;  // transfers served normally first
    long every = 1;  // then every n-th transfer is hit
    long count = -1; // at most this many (-1: no limit)
    int delayMs = 0; // Delay only
};

struct StuckBit {
    int reg = 0;
    int bit = 0;
    int level = 0;
};

struct ShortedBits {
    int regA = 0;
    int bitA = 0;
    int regB = 0;
    int bitB = 0;
};

using BusAddress = std::tuple<int, int, int>; // system, card, function

struct Rack {
    std::optional<AdapterSpec> adapter;
    int kind = 1;
    int expansion = 0;
    std::map<int, Card> cards; // by card address
    std::map<BusAddress, std::uint16_t> fixedReads;
    bool noAnswer = false;
    std::set<int> silentCards;
    std::vector<TransferFault> transferFaults;
    std::optional<long> unplugAfter;
    std::vector<StuckBit> stuckBits;
    std::vector<ShortedBits> shortedBits;
};

struct RackParse {
    std::optional<Rack> rack;
    std::string error; // German, with the line number, when rack is empty
};

RackParse parseRack(const std::vector<std::string>& lines);
RackParse readRackFile(const std::filesystem::path& path);

} // namespace kw::sim
