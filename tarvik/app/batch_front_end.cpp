#include "tarvik/app/batch_front_end.h"

#include "tarvik/app/command_line_info.h"
#include "tarvik/config/read_from_hardware.h"
#include "tarvik/config/system_info.h"
#include "tarvik/config/testsystem_connection.h"

#include <charconv>
#include <optional>
#include <ostream>
#include <stdexcept>

namespace {

constexpr int kBadUsage = 2;
constexpr int kNoSystem = 1;

const char* const kUsageText =
    "Aufruf: tarvik [-i] --batch [--yes] [--system PRQ990|KPRQ860|UKPRQ] [--expansion 0|1|2]\n"
    "              [--card ADRESSE=KARTE]... [--usage POSITION=TEXT]... [--add-position]...\n"
    "              [--list]\n"
    "  Ohne -i wird ein eingeschaltetes System gesucht und sein Ausbau gelesen; --system und\n"
    "  --expansion gelten dann nicht. --yes beantwortet die Frage nach dem Zusammenstellen\n"
    "  mit Ja, wenn kein System antwortet.\n"
    "  KARTE ist der Menüname einer Karte für die Adresse (z. B. \"KVR860 (NG++)\", \"(leer)\")\n"
    "  oder ein Tripel TYP,VARIANTE,EXTRA.\n";

const char* const kNoSystemQuestion =
    "Kein eingeschaltetes System vorhanden!\n\nMöchten Sie den Systemausbau selbst "
    "zusammenstellen?";

// A bad option or value; its text is shown to the user.
struct BatchError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class EditKind { Card, Usage, AddPosition };

struct Edit {
    EditKind kind;
    std::string key;
    std::string value;
};

struct BatchOptions {
    int systemType = 860;
    bool newDecoder = false;
    int expansion = 0;
    bool systemGiven = false; // --system or --expansion
    std::vector<Edit> edits;
    bool list = false;
    bool help = false;
    bool yes = false;
};

std::optional<int> parseInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::string joinQuoted(const std::vector<std::string>& texts) {
    std::string joined;
    for (const auto& text : texts) {
        joined += (joined.empty() ? "\"" : ", \"") + text + "\"";
    }
    return joined;
}

// Splits "KEY=VALUE" at the first "=".
std::pair<std::string, std::string> splitAssignment(const std::string& option,
                                                    const std::string& text) {
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        throw BatchError(option + " erwartet SCHLÜSSEL=WERT, nicht \"" + text + "\"");
    }
    return {text.substr(0, eq), text.substr(eq + 1)};
}

void applySystem(BatchOptions& options, const std::string& name) {
    if (name == "PRQ990") {
        options.systemType = 860, options.newDecoder = true;
    } else if (name == "KPRQ860") {
        options.systemType = 860, options.newDecoder = false;
    } else if (name == "UKPRQ") {
        options.systemType = 945, options.newDecoder = false;
    } else {
        throw BatchError("Unbekannter Systemtyp \"" + name + "\" (PRQ990, KPRQ860 oder UKPRQ)");
    }
}

BatchOptions parseOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != option.npos) {
            inlineValue = option.substr(eq + 1);
            option.resize(eq);
        }
        auto value = [&]() -> std::string {
            if (inlineValue) {
                return *inlineValue;
            }
            if (i + 1 >= arguments.size()) {
                throw BatchError("Option " + option + " erwartet einen Wert");
            }
            return arguments[++i];
        };
        if (option == "--batch") {
            continue;
        } else if (option == "--help") {
            options.help = true;
        } else if (option == "--list") {
            options.list = true;
        } else if (option == "--yes") {
            options.yes = true;
        } else if (option == "--system") {
            applySystem(options, value());
            options.systemGiven = true;
        } else if (option == "--expansion") {
            const std::string text = value();
            const auto expansion = parseInt(text);
            if (!expansion || *expansion < 0 || *expansion > 2) {
                throw BatchError("--expansion erwartet 0, 1 oder 2, nicht \"" + text + "\"");
            }
            options.expansion = *expansion;
            options.systemGiven = true;
        } else if (option == "--card" || option == "--usage") {
            auto [key, text] = splitAssignment(option, value());
            options.edits.push_back(
                {option == "--card" ? EditKind::Card : EditKind::Usage, key, text});
        } else if (option == "--add-position") {
            options.edits.push_back({EditKind::AddPosition, "", ""});
        } else if (option.size() >= 2 && (option[0] == '-' || option[0] == '/') &&
                   (option[1] == 'i' || option[1] == 'I')) {
            continue; // the hardware-search switch
        } else {
            throw BatchError("Unbekannte Option: " + arguments[i]);
        }
    }
    return options;
}

// Index of the shown position that serves a card address.
int shownPositionOfAddress(CSystemInfo& system, int cardAddress) {
    for (int i = 0; i < system.visibleCount(); ++i) {
        if (system.positions[i].cardAddress == cardAddress) {
            return i;
        }
    }
    return -1;
}

std::optional<CardInfo> parseTriple(const std::string& text) {
    const auto first = text.find(',');
    const auto second = first == text.npos ? text.npos : text.find(',', first + 1);
    if (second == text.npos) {
        return std::nullopt;
    }
    const auto type = parseInt(text.substr(0, first));
    const auto variant = parseInt(text.substr(first + 1, second - first - 1));
    const auto extra = parseInt(text.substr(second + 1));
    if (!type || !variant || !extra) {
        return std::nullopt;
    }
    return CardInfo{*type, *variant, *extra};
}

void applyCard(CSystemInfo& system, const Edit& edit) {
    const auto address = parseInt(edit.key);
    if (!address || *address < 0 || *address >= CSystemInfo::kSlotCount) {
        throw BatchError("--card: \"" + edit.key + "\" ist keine Kartenadresse von 0 bis 63");
    }
    if (shownPositionOfAddress(system, *address) < 0) {
        throw BatchError("--card: Die Kartenadresse " + edit.key +
                         " gehört zu keiner angezeigten Position");
    }
    if (const auto triple = parseTriple(edit.value)) {
        system.slots[*address] = internCardInfo(triple->typeCode, triple->variant, triple->extra);
        return;
    }
    const auto texts = cardChoiceTexts(*address);
    for (int k = 0; k < static_cast<int>(texts.size()); ++k) {
        if (texts[k] == edit.value) {
            system.slots[*address] = *cardChoice(*address, k);
            return;
        }
    }
    throw BatchError("--card: \"" + edit.value + "\" ist keine Karte für die Kartenadresse " +
                     edit.key + ". Möglich: " + joinQuoted(texts));
}

void applyUsage(CSystemInfo& system, const Edit& edit) {
    int index = -1;
    for (int i = 0; i < system.visibleCount(); ++i) {
        if (system.positionName(i) == edit.key) {
            index = i;
        }
    }
    if (index < 0) {
        throw BatchError("--usage: Es gibt keine angezeigte Position \"" + edit.key + "\"");
    }
    std::vector<std::string> texts;
    for (int k = 0; !system.usageChoice(index, k).empty(); ++k) {
        texts.push_back(system.usageChoice(index, k));
        if (texts.back() == edit.value) {
            system.setUsage(index, k);
            return;
        }
    }
    if (texts.empty()) {
        throw BatchError("--usage: Die Position " + edit.key + " bietet keine Verwendung an");
    }
    throw BatchError("--usage: \"" + edit.value + "\" ist keine Verwendung der Position " +
                     edit.key + ". Möglich: " + joinQuoted(texts));
}

void applyEdit(CSystemInfo& system, const Edit& edit) {
    switch (edit.kind) {
    case EditKind::Card: applyCard(system, edit); break;
    case EditKind::Usage: applyUsage(system, edit); break;
    case EditKind::AddPosition:
        if (!system.canAddVisiblePosition()) {
            throw BatchError("--add-position: Es kann keine weitere Position angezeigt werden");
        }
        system.addVisiblePosition();
        break;
    }
}

} // namespace

std::vector<std::string> configurationRows(CSystemInfo& system) {
    std::vector<std::string> rows;
    for (int i = 0; i < system.visibleCount(); ++i) {
        const int address = system.positions[i].cardAddress;
        std::string name;
        std::string detail;
        if (address >= 0 && address < CSystemInfo::kSlotCount) {
            name = cardName(system.slots[address], false);
            detail = cardDetail(system.slots[address]);
        }
        rows.push_back(system.positionName(i) + "\t" + name + "\t" + detail + "\t" +
                       system.moduleName(i));
    }
    return rows;
}

int runBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        const BatchOptions options = parseOptions(arguments);
        if (options.help) {
            out << kUsageText;
            return 0;
        }
        // The connection and its adapter live until the run ends.
        TestsystemConnection connection;
        CSystemInfo system;
        const bool searchHardware = !CTarvikCommandLineInfo(arguments).noHardwareSearch();
        if (searchHardware && connection.connect()) {
            readFromHardware(system, connection);
            if (options.systemGiven) {
                err << "tarvik: Hinweis: Der Ausbau wurde vom System gelesen; --system und "
                       "--expansion gelten nicht.\n";
            }
        } else {
            if (searchHardware) {
                err << kNoSystemQuestion << (options.yes ? " Ja (--yes)\n" : " Nein\n");
                if (!options.yes) {
                    return kNoSystem;
                }
            }
            system.setManual(options.systemType, options.expansion >= 1, options.expansion == 2,
                             options.newDecoder);
        }
        for (const Edit& edit : options.edits) {
            applyEdit(system, edit);
        }
        if (options.list) {
            for (const auto& row : configurationRows(system)) {
                out << row << '\n';
            }
        }
        return 0;
    } catch (const BatchError& error) {
        err << "tarvik: " << error.what() << '\n' << kUsageText;
        return kBadUsage;
    }
}
