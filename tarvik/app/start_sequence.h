#pragma once

// How tarvik starts: it looks for a switched-on test system (unless the command line says
// not to), takes the configuration from the hardware or, after the user agrees, from the
// "Systemauswahl" dialog, runs the main dialog and releases the hardware at the end. The
// hardware and the windows are injected, so that the desktop program, the tests and later
// front ends run the same sequence.

#include "tarvik/app/system_choice.h"

#include <string>

namespace tarvik {

class CSystemInfo;
class CTarvikCommandLineInfo;

// Asked when no test system answers; Yes lets the user compose the configuration.
extern const char* const kNoSystemQuestion;

// Finding a switched-on test system and reading its configuration.
class HardwareSearch {
public:
    virtual ~HardwareSearch() = default;

    // True when a test system answers; the connection then stays open until release().
    virtual bool connect() = 0;

    // Fills the configuration card by card from the system that answered connect(). False
    // when a transfer failed: the configuration is then not the system's.
    virtual bool readFromHardware(CSystemInfo& system) = 0;

    // Closes the connection, if any.
    virtual void release() = 0;

    // After a failed connect: one line about real adapters (how to configure them, or why the
    // one found cannot be used), or nothing.
    virtual std::string adapterHint() { return {}; }
};

// The windows of the start.
class StartFrontEnd {
public:
    virtual ~StartFrontEnd() = default;

    // A question with the buttons Yes and No, No being the default; true for Yes.
    virtual bool askYesNo(const char* text) = 0;

    // The "Systemauswahl" dialog; no choice when it is left with the cancel key.
    virtual SystemChoice chooseSystem() = 0;

    // The main dialog on the configuration, modal until the user closes it.
    virtual void runMainDialog(CSystemInfo& system) = 0;
};

// Exit codes of the start.
namespace StartResult {
constexpr int Done = 0;
constexpr int NoSystem = 1; // no system answered and the user did not want to compose one
} // namespace StartResult

int runStartSequence(const CTarvikCommandLineInfo& commandLine, HardwareSearch& hardware,
                     StartFrontEnd& frontEnd);

} // namespace tarvik
