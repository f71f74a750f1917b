// korvane: the bus test tool. Without a display it executes sequence files ("-exec"), lists
// the interfaces ("--list") and runs self-tests ("--selftest"); a QApplication is made only
// to show the help box.

#include "korvane/interfaces/interface_list.h"
#include "korvane/tool/console_front_end.h"
#include "korvane/tool/help_box.h"
#include "korvane/tool/korvane_app.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ConsoleFrontEnd frontEnd(std::cout, std::cerr, showHelpBox);
    CKorvaneApp app(frontEnd, buildInterfaceList, std::cout, std::cerr);
    return app.run(arguments);
}
