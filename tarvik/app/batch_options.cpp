#include "tarvik/app/batch_options.h"

#include "tarvik/generation/run_inputs.h"

#include <charconv>
#include <functional>
#include <map>

namespace tarvik {

const char* const kBatchUsageText =
    "Aufruf: tarvik [-i] --batch [--system PRQ990|KPRQ860|UKPRQ] [--expansion 0|1|2]\n"
    "              [--from-sysinfo DATEI] [--card ADRESSE=KARTE]... [--usage POSITION=TEXT]...\n"
    "              [--add-position]... [--xab60v] [--list | --dry-run]\n"
    "              [--target VERZEICHNIS] [--name NAME] [--cal]\n"
    "              [--instrument \"Keysight 3458A\"|\"Keithley 2000\"] [--templates VERZEICHNIS]\n"
    "              [--yes]\n"
    "  KARTE ist der Menüname einer Karte für die Adresse (z. B. \"KVR860 (NG++)\", \"(leer)\")\n"
    "  oder ein Tripel TYP,VARIANTE,EXTRA. Ohne --list und --dry-run wird generiert.\n"
    "  Ohne -i wird ein eingeschaltetes System gesucht und sein Ausbau gelesen; --system und\n"
    "  --expansion gelten dann nicht. Antwortet keines, wird der Ausbau nur mit --yes aus den\n"
    "  Optionen zusammengestellt. --from-sysinfo liest den Ausbau aus einer tarvik.sysinfo.\n"
    "  --yes beantwortet Rückfragen mit OK/Ja, sonst gilt die Vorgabe (Abbrechen/Nein).\n";

std::optional<int> parseOptionInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) {
        return std::nullopt;
    }
    return value;
}

namespace {

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

void applyExpansion(BatchOptions& options, const std::string& text) {
    const auto expansion = parseOptionInt(text);
    if (!expansion || *expansion < 0 || *expansion > 2) {
        throw BatchError("--expansion erwartet 0, 1 oder 2, nicht \"" + text + "\"");
    }
    options.expansion = *expansion;
}

void applyInstrument(BatchOptions& options, const std::string& text) {
    if (text == "Keysight 3458A") {
        options.instrument = Instrument::Keysight3458A;
    } else if (text == "Keithley 2000") {
        options.instrument = Instrument::Keithley2000;
    } else {
        throw BatchError("--instrument erwartet \"Keysight 3458A\" oder \"Keithley 2000\"");
    }
}

bool isHardwareSearchSwitch(const std::string& argument) {
    return argument.size() >= 2 && (argument[0] == '-' || argument[0] == '/') &&
           (argument[1] == 'i' || argument[1] == 'I');
}

using Flag = std::function<void(BatchOptions&)>;
using Valued = std::function<void(BatchOptions&, const std::string&)>;

const std::map<std::string, Flag>& flags() {
    static const std::map<std::string, Flag> table = {
        {"--batch", [](BatchOptions&) {}},
        {"--help", [](BatchOptions& o) { o.help = true; }},
        {"--list", [](BatchOptions& o) { o.list = true; }},
        {"--dry-run", [](BatchOptions& o) { o.dryRun = true; }},
        {"--yes", [](BatchOptions& o) { o.yes = true; }},
        {"--cal", [](BatchOptions& o) { o.cal = true; }},
        {"--xab60v", [](BatchOptions& o) { o.xab60v = true; }},
        {"--add-position",
         [](BatchOptions& o) { o.edits.push_back({BatchOptions::EditKind::AddPosition, "", ""}); }},
    };
    return table;
}

const std::map<std::string, Valued>& valuedOptions() {
    static const std::map<std::string, Valued> table = {
        {"--system",
         [](BatchOptions& o, const std::string& v) {
             applySystem(o, v);
             o.systemGiven = true;
         }},
        {"--expansion",
         [](BatchOptions& o, const std::string& v) {
             applyExpansion(o, v);
             o.systemGiven = true;
         }},
        {"--instrument", applyInstrument},
        {"--target", [](BatchOptions& o, const std::string& v) { o.target = v; }},
        {"--name", [](BatchOptions& o, const std::string& v) { o.name = v; }},
        {"--templates", [](BatchOptions& o, const std::string& v) { o.templates = v; }},
        {"--from-sysinfo", [](BatchOptions& o, const std::string& v) { o.fromSysInfo = v; }},
        {"--card",
         [](BatchOptions& o, const std::string& v) {
             auto [key, text] = splitAssignment("--card", v);
             o.edits.push_back({BatchOptions::EditKind::Card, key, text});
         }},
        {"--usage",
         [](BatchOptions& o, const std::string& v) {
             auto [key, text] = splitAssignment("--usage", v);
             o.edits.push_back({BatchOptions::EditKind::Usage, key, text});
         }},
    };
    return table;
}

} // namespace

BatchOptions parseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != option.npos) {
            inlineValue = option.substr(eq + 1);
            option.resize(eq);
        }
        if (const auto flag = flags().find(option); flag != flags().end() && !inlineValue) {
            flag->second(options);
        } else if (const auto valued = valuedOptions().find(option);
                   valued != valuedOptions().end()) {
            if (!inlineValue && i + 1 >= arguments.size()) {
                throw BatchError("Option " + option + " erwartet einen Wert");
            }
            valued->second(options, inlineValue ? *inlineValue : arguments[++i]);
        } else if (isHardwareSearchSwitch(option)) {
            options.searchHardware = false;
        } else {
            throw BatchError("Unbekannte Option: " + arguments[i]);
        }
    }
    if (options.list && options.dryRun) {
        throw BatchError("--list und --dry-run schließen einander aus");
    }
    return options;
}

} // namespace tarvik
