#include "sim/rack.h"

#include "common/devices/rack_bus_map.h"
#include "common/text/line_file.h"

#include <cctype>
#include <charconv>
#include <sstream>
#include <stdexcept>

namespace kw::sim {

namespace {

using namespace kw::rack_bus;

// A statement that cannot be taken; its text is the message without the line number.
struct RackError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long number(const std::string& text, long low, long high, const std::string& what) {
    long value = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value, hex ? 16 : 10);
    if (text.empty() || ec != std::errc() || ptr != end) {
        throw RackError(what + ": \"" + text + "\" ist keine Zahl");
    }
    if (value < low || value > high) {
        throw RackError(what + " " + text + " liegt nicht zwischen " + std::to_string(low) +
                        " und " + std::to_string(high));
    }
    return value;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> result;
    for (std::string word; in >> word;) {
        result.push_back(word);
    }
    return result;
}

// "key=value" options after the fixed words of a statement.
struct Option {
    std::string key;
    std::string value;
    bool hasValue;
};

Option option(const std::string& word) {
    const auto eq = word.find('=');
    if (eq == std::string::npos) {
        return {word, "", false};
    }
    return {word.substr(0, eq), word.substr(eq + 1), true};
}

void expectCount(const std::vector<std::string>& w, std::size_t count, const char* form) {
    if (w.size() != count) {
        throw RackError(std::string("erwartet: ") + form);
    }
}

int speedOf(const std::string& text) {
    if (text == "low") {
        return 0;
    }
    if (text == "full") {
        return 1;
    }
    if (text == "high") {
        return 2;
    }
    throw RackError("speed=" + text + ": erlaubt sind low, full und high");
}

// Where a PC card's registers lie when the rack file names no base.
constexpr int kInt41DefaultBase = 0x310;
constexpr int kInt900DefaultBase = 0x300;

AdapterSpec parseAdapter(const std::vector<std::string>& w) {
    if (w.size() < 2) {
        throw RackError("erwartet: adapter usb860|int41|int900 ...");
    }
    AdapterSpec setup;
    if (w[1] == "usb860") {
        setup.type = AdapterType::Usb860;
    } else if (w[1] == "int41") {
        setup.type = AdapterType::Int41;
        setup.base = kInt41DefaultBase;
    } else if (w[1] == "int900") {
        setup.type = AdapterType::Int900;
        setup.base = kInt900DefaultBase;
    } else {
        throw RackError("unbekannter Adapter \"" + w[1] + "\" (usb860, int41 oder int900)");
    }
    const bool usb = setup.type == AdapterType::Usb860;
    for (std::size_t i = 2; i < w.size(); ++i) {
        const Option o = option(w[i]);
        if (usb && o.key == "serial" && o.hasValue) {
            if (o.value.empty() || o.value.find_first_of("#/\\") != std::string::npos) {
                throw RackError("serial=" + o.value + ": Seriennummer leer oder mit # / \\");
            }
            setup.serial = o.value;
        } else if (usb && o.key == "speed" && o.hasValue) {
            setup.speed = speedOf(o.value);
        } else if (usb && o.key == "ulm860" && !o.hasValue) {
            setup.ulm860 = true;
        } else if (usb && o.key == "selftest-board" && !o.hasValue) {
            setup.selfTestBoard = true;
        } else if (!usb && o.key == "base" && o.hasValue) {
            setup.base = static_cast<int>(number(o.value, 0, 0xFFF8, "base"));
        } else if (setup.type == AdapterType::Int41 && o.key == "badcheck" && !o.hasValue) {
            setup.badCheck = true;
        } else if (setup.type == AdapterType::Int41 && o.key == "busy" && o.hasValue) {
            setup.busyReads = static_cast<int>(number(o.value, 0, 1000000, "busy"));
        } else {
            throw RackError("unbekannte Angabe \"" + w[i] + "\" für adapter " + w[1]);
        }
    }
    return setup;
}

void checkVariant(int address, int type, int variant) {
    const auto refuse = [&](const std::string& why) {
        throw RackError("Karte " + std::to_string(type) + " an Adresse " + std::to_string(address) +
                        ": " + why);
    };
    if ((type == kDecoderType) != (address == kDecoderCard)) {
        refuse("der Dekoder (Typ 256) gehört an die Kartenadresse 15 und nur dorthin");
    }
    if (type == kZupaType && address != kZupaCard) {
        refuse("die ZUPA (Typ 15) gehört an die Kartenadresse 14");
    }
    if (address == kZupaCard && type != kZupaType) {
        refuse("an der Kartenadresse 14 kann nur die ZUPA (Typ 15) stecken");
    }
    if (type > 15 && type != kDecoderType && (type & 15) != 15) {
        refuse("Typcodes über 15 enden auf 0xF");
    }
    if (type == kDecoderType || type == kZupaType) {
        if (variant > 1) {
            refuse("Variante 0 oder 1");
        }
    } else if (type == kTqdType) {
        if (variant > 511) {
            refuse("Variante bis 511 (Funktion 14 und Bit 0 von Funktion 12)");
        }
    } else if (type != kRelayCardType && !variantAtFunction14(type) && variant != 0) {
        refuse("diese Karte meldet keine Variante, nur 0 ist möglich");
    }
}

void parseCard(Rack& rack, const std::vector<std::string>& w, std::size_t first) {
    if (w.size() != first + 3) {
        throw RackError("erwartet: card ADRESSE TYP VARIANTE");
    }
    const int address = static_cast<int>(number(w[first], 0, 255, "Kartenadresse"));
    const int type = static_cast<int>(number(w[first + 1], 0, 0xFFFF, "Typ"));
    const int variant = static_cast<int>(number(w[first + 2], 0, 0xFFFF, "Variante"));
    if (address == kExpansion1Controller || address == kExpansion2Controller) {
        throw RackError("die Kartenadresse " + w[first] +
                        " gehört dem Erweiterungsgehäuse (expansion)");
    }
    if (type == 0) {
        return; // an empty slot, as written by hand
    }
    checkVariant(address, type, variant);
    if (!rack.cards.emplace(address, Card{type, variant}).second) {
        throw RackError("die Kartenadresse " + w[first] + " ist doppelt belegt");
    }
}

TransferFault parseTransferFault(const std::vector<std::string>& w) {
    TransferFault fault;
    std::size_t i = 2;
    if (w[1] == "fail") {
        fault.kind = TransferFault::Kind::Fail;
    } else if (w[1] == "short") {
        fault.kind = TransferFault::Kind::Short;
    } else {
        fault.kind = TransferFault::Kind::Delay;
        if (w.size() < 3) {
            throw RackError("erwartet: fault delay MS [after=N] [every=N] [count=N]");
        }
        fault.delayMs = static_cast<int>(number(w[2], 0, 5000, "Verzögerung (ms)"));
        i = 3;
    }
    for (; i < w.size(); ++i) {
        const Option o = option(w[i]);
        if (o.key == "after" && o.hasValue) {
            fault.after = number(o.value, 0, 1L << 40, "after");
        } else if (o.key == "every" && o.hasValue) {
            fault.every = number(o.value, 1, 1L << 40, "every");
        } else if (o.key == "count" && o.hasValue) {
            fault.count = number(o.value, 0, 1L << 40, "count");
        } else {
            throw RackError("unbekannte Angabe \"" + w[i] + "\" für fault " + w[1]);
        }
    }
    return fault;
}

int registerBit(const std::string& reg, const std::string& bit, int* bitOut) {
    *bitOut = static_cast<int>(number(bit, 0, 7, "Bit"));
    return static_cast<int>(number(reg, 0, 3, "Register"));
}

void parseFault(Rack& rack, const std::vector<std::string>& w) {
    const std::string kind = w.size() > 1 ? w[1] : "";
    if (kind == "noanswer") {
        if (w.size() == 2) {
            rack.noAnswer = true;
        }
        for (std::size_t i = 2; i < w.size(); ++i) {
            rack.silentCards.insert(static_cast<int>(number(w[i], 0, 255, "Kartenadresse")));
        }
    } else if (kind == "fail" || kind == "short" || kind == "delay") {
        rack.transferFaults.push_back(parseTransferFault(w));
    } else if (kind == "unplug") {
        expectCount(w, 3, "fault unplug after=N");
        const Option o = option(w[2]);
        if (o.key != "after" || !o.hasValue) {
            throw RackError("erwartet: fault unplug after=N");
        }
        rack.unplugAfter = number(o.value, 1, 1L << 40, "after");
    } else if (kind == "stuck") {
        expectCount(w, 5, "fault stuck REGISTER BIT 0|1");
        StuckBit stuck;
        stuck.reg = registerBit(w[2], w[3], &stuck.bit);
        stuck.level = static_cast<int>(number(w[4], 0, 1, "Pegel"));
        rack.stuckBits.push_back(stuck);
    } else if (kind == "shorted") {
        expectCount(w, 6, "fault shorted REGISTER BIT REGISTER BIT");
        ShortedBits shorted;
        shorted.regA = registerBit(w[2], w[3], &shorted.bitA);
        shorted.regB = registerBit(w[4], w[5], &shorted.bitB);
        rack.shortedBits.push_back(shorted);
    } else {
        throw RackError("unbekannter Fehler \"" + kind +
                        "\" (noanswer, fail, short, delay, unplug, stuck, shorted)");
    }
}

void parseStatement(Rack& rack, const std::vector<std::string>& w, bool& hasKind) {
    const std::string& head = w[0];
    if (head == "adapter") {
        if (rack.adapter) {
            throw RackError("nur ein Adapter je Gestell-Datei");
        }
        rack.adapter = parseAdapter(w);
    } else if (head == "kind") {
        expectCount(w, 2, "kind 1..5");
        rack.kind = static_cast<int>(number(w[1], 1, 5, "Systemart"));
        hasKind = true;
    } else if (head == "expansion") {
        expectCount(w, 2, "expansion 0|1|2");
        rack.expansion = static_cast<int>(number(w[1], 0, 2, "Erweiterungsgehäuse"));
    } else if (head == "card") {
        parseCard(rack, w, 1);
    } else if (!head.empty() && std::isdigit(static_cast<unsigned char>(head[0]))) {
        parseCard(rack, w, 0);
    } else if (head == "reg") {
        expectCount(w, 5, "reg SYSTEM KARTE FUNKTION WERT");
        const BusAddress address{static_cast<int>(number(w[1], 0, 63, "Systemadresse")),
                                 static_cast<int>(number(w[2], 0, 255, "Kartenadresse")),
                                 static_cast<int>(number(w[3], 0, 63, "Funktionsadresse"))};
        rack.fixedReads[address] = static_cast<std::uint16_t>(number(w[4], 0, 0xFFFF, "Wert"));
    } else if (head == "fault") {
        parseFault(rack, w);
    } else {
        throw RackError("unbekannte Anweisung \"" + head + "\"");
    }
}

// The kind follows from the decoder when the file does not name it; a named kind must agree.
void settleKind(Rack& rack, bool hasKind) {
    const auto decoder = rack.cards.find(kDecoderCard);
    const bool ulmDecoder = decoder != rack.cards.end() && decoder->second.variant == 1;
    const bool ulmAdapter = rack.adapter && rack.adapter->ulm860;
    if (!hasKind) {
        rack.kind = ulmDecoder || ulmAdapter ? 5 : 1;
        return;
    }
    if (ulmDecoder && rack.kind != 5) {
        throw RackError("der Dekoder ULM860 (15 256 1) verlangt kind 5");
    }
    if (decoder != rack.cards.end() && !ulmDecoder && rack.kind == 5) {
        throw RackError("kind 5 verlangt den Dekoder ULM860 (15 256 1)");
    }
    if (ulmAdapter && rack.kind < 4) {
        throw RackError("ulm860 verlangt kind 4 oder 5");
    }
}

} // namespace

RackParse parseRack(const std::vector<std::string>& lines) {
    Rack rack;
    bool hasKind = false;
    std::size_t lineNumber = 0;
    try {
        for (const std::string& line : lines) {
            ++lineNumber;
            const auto w = words(line);
            if (!w.empty()) {
                parseStatement(rack, w, hasKind);
            }
        }
        lineNumber = 0;
        settleKind(rack, hasKind);
    } catch (const RackError& error) {
        const std::string where = lineNumber ? "Zeile " + std::to_string(lineNumber) + ": " : "";
        return {std::nullopt, where + error.what()};
    }
    return {std::move(rack), ""};
}

RackParse readRackFile(const std::filesystem::path& path) {
    const auto lines = readLineFile(path);
    if (!lines) {
        return {std::nullopt, "Die Gestell-Datei " + path.string() + " kann nicht gelesen werden"};
    }
    RackParse parse = parseRack(*lines);
    if (!parse.rack) {
        parse.error = path.string() + ": " + parse.error;
    }
    return parse;
}

} // namespace kw::sim
