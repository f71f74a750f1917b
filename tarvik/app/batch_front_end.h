#pragma once

// The headless front end of tarvik ("tarvik --batch"): reads the configuration from a
// switched-on test system, or composes it from options the way the "Systemauswahl" dialog
// does, edits it as the configuration list's menus do, then lists it, shows what a
// generation would do (--dry-run), or generates. It never needs a display. Questions and
// messages go to the error stream (see kBatchUsageText for the options).
// Exit code 0 on success, 1 when the generation failed or was cancelled, 2 for a bad option
// or value (with a message on the error stream).

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace tarvik {

class CSystemInfo;

struct BatchEnvironment {
    std::filesystem::path programFolder; // where the templates are looked for by default
    bool progressOnTerminal = false;
};

int runBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
             const BatchEnvironment& environment = {});

// The configuration list as the main dialog shows it: one line per shown position with the
// columns Position, Karte, Info and Selbsttest separated by tabs.
std::vector<std::string> configurationRows(CSystemInfo& system);

} // namespace tarvik
