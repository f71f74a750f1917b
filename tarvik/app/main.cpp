// tarvik: learns a rack's configuration and generates its Testmappen. With --batch it works
// on the terminal and never needs a display; otherwise it is the desktop program.

#include "common/files/file_ops.h"
#include "common/platform/display.h"
#include "tarvik/app/batch_front_end.h"
#include "tarvik/app/command_line_info.h"
#include "tarvik/app/gui/tarvik_app.h"
#include "tarvik/app/template_folder.h"
#include "tarvik/app/testsystem_hardware_search.h"
#include "tarvik/generation/generation_run.h"

#include <iostream>
#include <unistd.h>

using namespace tarvik;

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const CTarvikCommandLineInfo commandLine(arguments);
    if (commandLine.batch()) {
        const BatchEnvironment environment{templateFolder(kw::programFolder()),
                                           ::isatty(STDERR_FILENO) == 1};
        return runBatch(arguments, std::cout, std::cerr, environment);
    }
    if (!kw::hasDisplay()) {
        std::cerr << "tarvik: Keine Anzeige vorhanden, die Dialoge können nicht geöffnet werden. "
                     "Ohne Anzeige arbeiten: tarvik --batch (--batch --help zeigt die "
                     "Optionen).\n";
        return 2;
    }
    TestsystemHardwareSearch hardware;
    return runTarvikGui(argc, argv, commandLine, hardware, generateTestmappen);
}
