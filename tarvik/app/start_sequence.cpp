#include "tarvik/app/start_sequence.h"

#include "tarvik/app/command_line_info.h"
#include "tarvik/config/read_from_hardware.h"
#include "tarvik/config/system_info.h"

#include <string>

namespace tarvik {

const char* const kNoSystemQuestion =
    "Kein eingeschaltetes System vorhanden!\n\nMöchten Sie den Systemausbau selbst "
    "zusammenstellen?";

namespace {

// The question after a failed search, with the hint about real adapters under its first line.
std::string noSystemQuestion(const std::string& hint) {
    if (hint.empty()) {
        return kNoSystemQuestion;
    }
    const std::string question = kNoSystemQuestion;
    const auto firstLine = question.find('\n');
    return question.substr(0, firstLine) + "\n\n" + hint + question.substr(firstLine);
}

// Releases the hardware however the start ends.
class ReleaseAtEnd {
public:
    explicit ReleaseAtEnd(HardwareSearch& hardware) : m_hardware(hardware) {}
    ~ReleaseAtEnd() { m_hardware.release(); }
    ReleaseAtEnd(const ReleaseAtEnd&) = delete;
    ReleaseAtEnd& operator=(const ReleaseAtEnd&) = delete;

private:
    HardwareSearch& m_hardware;
};

} // namespace

int runStartSequence(const CTarvikCommandLineInfo& commandLine, HardwareSearch& hardware,
                     StartFrontEnd& frontEnd) {
    ReleaseAtEnd release(hardware);
    bool found = false;
    if (!commandLine.noHardwareSearch()) {
        found = hardware.connect();
        if (!found && !frontEnd.askYesNo(noSystemQuestion(hardware.adapterHint()).c_str())) {
            return StartResult::NoSystem;
        }
    }
    CSystemInfo system;
    if (found && !hardware.readFromHardware(system)) {
        // A half-read configuration is not shown: it would be taken for the system's.
        const std::string question = std::string(kHardwareReadFailedText) +
                                     "\n\nMöchten Sie den Systemausbau selbst zusammenstellen?";
        if (!frontEnd.askYesNo(question.c_str())) {
            return StartResult::NoSystem;
        }
        system = CSystemInfo();
        found = false;
    }
    if (!found) {
        applySystemChoice(system, frontEnd.chooseSystem());
    }
    frontEnd.runMainDialog(system);
    return StartResult::Done;
}

} // namespace tarvik
