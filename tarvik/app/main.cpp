#include "common/files/file_ops.h"
#include "tarvik/app/batch_front_end.h"
#include "tarvik/app/command_line_info.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const CTarvikCommandLineInfo commandLine(arguments);
    if (!commandLine.batch()) {
        std::cerr << "tarvik: Die Dialogoberfläche ist in diesem Stand nicht enthalten; "
                     "bitte mit --batch starten (--batch --help zeigt die Optionen).\n";
        return 2;
    }
    const BatchEnvironment environment{kw::programFolder(), ::isatty(STDERR_FILENO) == 1};
    return runBatch(arguments, std::cout, std::cerr, environment);
}
