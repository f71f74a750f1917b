#pragma once

// Options of the headless front end ("tarvik --batch"). Parsing never touches the
// configuration; a bad option or value throws BatchError with the text for the user.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvik {

struct BatchError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A whole decimal number as an option value gives it; nothing for anything else.
std::optional<int> parseOptionInt(const std::string& text);

struct BatchOptions {
    enum class EditKind { Card, Usage, AddPosition };
    struct Edit {
        EditKind kind;
        std::string key;
        std::string value;
    };

    // Composition of the rack, in the order given.
    int systemType = 860;
    bool newDecoder = false;
    int expansion = 0;
    bool systemGiven = false; // --system or --expansion
    bool searchHardware = true; // no "-i" switch
    std::optional<std::string> fromSysInfo;
    std::vector<Edit> edits;
    bool xab60v = false;

    // What to do.
    bool list = false;
    bool dryRun = false;
    bool help = false;
    bool yes = false;

    // Generation inputs.
    std::optional<std::string> target;
    std::string name = "TARVIK";
    bool cal = false;
    int instrument = 0;
    std::optional<std::string> templates;
};

BatchOptions parseBatchOptions(const std::vector<std::string>& arguments);

extern const char* const kBatchUsageText;

} // namespace tarvik
