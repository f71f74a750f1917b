// korvane: the bus test tool. With a display it opens its main dialog; without one it
// executes sequence files ("-exec"), lists the interfaces ("--list") and runs self-tests
// ("--selftest"). The unattended paths never make a QApplication.

#include "korvane/interfaces/interface_list.h"
#include "korvane/tool/gui/qt_front_end.h"
#include "korvane/tool/korvane_app.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    korvane::QtKorvaneFrontEnd frontEnd(argc, argv, std::cout, std::cerr);
    korvane::CKorvaneApp app(frontEnd, korvane::buildInterfaceList, std::cout, std::cerr);
    return app.run(arguments);
}
