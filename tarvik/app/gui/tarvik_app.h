#pragma once

// tarvik as a desktop program: the start sequence with the Qt windows ("Systemauswahl",
// the question when no test system answers, the main dialog).

#include "tarvik/app/main_dialog_model.h"
#include "tarvik/app/start_sequence.h"

namespace tarvik {

class CTarvikCommandLineInfo;

class CTarvikApp : public StartFrontEnd {
public:
    // The main dialog opens with these fields and starts this run behind "Generieren".
    CTarvikApp(RunInputs inputs, GenerationStarter starter);

    // The whole start; a QApplication must exist. Returns the program's exit code.
    int run(const CTarvikCommandLineInfo& commandLine, HardwareSearch& hardware);

    bool askYesNo(const char* text) override;
    SystemChoice chooseSystem() override;
    void runMainDialog(CSystemInfo& system) override;

private:
    RunInputs m_inputs;
    GenerationStarter m_starter;
};

// Creates the QApplication and runs the desktop program.
int runTarvikGui(int& argc, char** argv, const CTarvikCommandLineInfo& commandLine,
                 HardwareSearch& hardware, GenerationStarter starter);

} // namespace tarvik
