#pragma once

// The headless front end of tarvik ("tarvik --batch"): reads the configuration from a
// switched-on test system, or composes it from options the way the "Systemauswahl" dialog
// does, edits it as the configuration list's menus do, and prints it. It never needs a
// display.
//
//   tarvik [-i] --batch [--yes] [--system PRQ990|KPRQ860|UKPRQ] [--expansion 0|1|2]
//          [--card ADDR=CHOICE]... [--usage POS=TEXT]... [--add-position]... [--list]
//
// Without -i it searches for a switched-on system (USB860 adapter, then INT41 driver); when
// one answers, the configuration is read from it. When none answers, the question whether to
// compose the configuration by hand is answered No (exit code 1) unless --yes is given; the
// question and its answer go to the error stream. With -i, or after Yes, --system and
// --expansion choose the rack. The editing options (--card, --usage, --add-position) are then
// applied in the order given. Exit code 0 on success, 2 for a bad option or value (with a
// message on the error stream).

#include <iosfwd>
#include <string>
#include <vector>

class CSystemInfo;

int runBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// The configuration list as the main dialog shows it: one line per shown position with the
// columns Position, Karte, Info and Selbsttest separated by tabs.
std::vector<std::string> configurationRows(CSystemInfo& system);
