#pragma once

// The headless front end of tarvik ("tarvik --batch"): composes a configuration from options
// the way the "Systemauswahl" dialog and the configuration list's menus do, and prints it.
// It never needs a display.
//
//   tarvik -i --batch [--system PRQ990|KPRQ860|UKPRQ] [--expansion 0|1|2]
//          [--card ADDR=CHOICE]... [--usage POS=TEXT]... [--add-position]... [--list]
//
// --system and --expansion choose the rack; the editing options (--card, --usage,
// --add-position) are then applied in the order given. Exit code 0 on success, 2 for a bad
// option or value (with a message on the error stream).

#include <iosfwd>
#include <string>
#include <vector>

class CSystemInfo;

int runBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// The configuration list as the main dialog shows it: one line per shown position with the
// columns Position, Karte, Info and Selbsttest separated by tabs.
std::vector<std::string> configurationRows(CSystemInfo& system);
