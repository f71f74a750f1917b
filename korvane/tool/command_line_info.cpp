#include "korvane/tool/command_line_info.h"

#include <algorithm>

namespace korvane {

const char* const kKorvaneHelpText = "mögliche Aufrufparameter:\n\n"
                                     "Auswahl einer Testsystem-Schnittstelle:\n"
                                     "  -i41 [<Basis>]\t(z.B.: -i41 310)\n"
                                     "  -usb [<SNR>]\t(z.B.: -usb 1234567)\n\n"
                                     "Auswahl einer Ablaufdatei:\n"
                                     "  -load <Datei>\t-> laden und Dialog anzeigen\n"
                                     "  -exec <Datei>\t-> ausführen und beenden\n\n";

const char* const kKorvaneHelpAdditions =
    "Unbeaufsichtigter Lauf:\n"
    "  -strict\t-> mit -exec: Exit-Code 3 bei Übertragungsfehlern,\n"
    "  \t   4 bei abgelehnten Zeilen der Ablaufdatei\n\n";

namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

bool isKeyword(const std::string& key) {
    for (const char* known : {"I41", "USB", "D860", "EXEC", "LOAD", "?", "HELP", "STRICT"}) {
        if (key == known) {
            return true;
        }
    }
    return false;
}

// "-" always begins an option. "/" does only before a keyword of the tool: otherwise the
// argument is an absolute path ("-exec /home/pruefung/ablauf.txt").
bool isOption(const std::string& argument) {
    if (argument.empty()) {
        return false;
    }
    return argument[0] == '-' || (argument[0] == '/' && isKeyword(upper(argument.substr(1))));
}

} // namespace

CKorvaneCommandLineInfo::CKorvaneCommandLineInfo(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        parseArgument(argument);
    }
}

void CKorvaneCommandLineInfo::parseArgument(const std::string& argument) {
    if (isOption(argument)) {
        parseKeyword(argument.substr(1));
        return;
    }
    // Storing does not reset what is expected: of several plain arguments the last counts.
    switch (expecting) {
    case kBaseAddress:
    case kSerialNumber:
        interfaceParameter = argument;
        break;
    case kFileName:
        fileName = argument;
        break;
    default:
        break;
    }
}

void CKorvaneCommandLineInfo::parseKeyword(const std::string& keyword) {
    const std::string key = upper(keyword);
    if (key == "I41") {
        options = (options & ~(kUsb860 | kUlm860)) | kInt41;
        interfaceParameter.clear();
        expecting = kBaseAddress;
    } else if (key == "USB") {
        options = (options & ~(kInt41 | kUlm860)) | kUsb860;
        interfaceParameter.clear();
        expecting = kSerialNumber;
    } else if (key == "D860") {
        options = (options & ~(kInt41 | kUsb860)) | kUlm860;
        interfaceParameter.clear();
        expecting = kSerialNumber;
    } else if (key == "EXEC") {
        options |= kExec;
        expecting = kFileName;
    } else if (key == "LOAD") {
        options |= kLoad;
        expecting = kFileName;
    } else if (key == "?" || key == "HELP") {
        options |= kHelp;
    } else {
        // Our own double-dash options are unknown keywords to the grammar above.
        listInterfaces |= key == "-LIST";
        selfTest |= key == "-SELFTEST";
        confirmSelfTest |= key == "-YES";
        strict |= key == "-STRICT" || key == "STRICT";
        expecting = kNothing;
    }
}

} // namespace korvane
