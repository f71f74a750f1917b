#pragma once

// The start of korvane, in its fixed order: read the command line; show the help and end;
// build the interface list; select an interface by the command line (ending with -1 when the
// requested one is missing); then execute a sequence file unattended ("-exec") or hand over to
// the main dialog with a file to load ("-load").
//
// The front end supplies what needs a display (the help box, the Ctrl key, the dialog with
// its message boxes and result windows). The unattended paths ("-exec", "--list",
// "--selftest") never touch it beyond the help: their interfaces report to the error stream
// and print their self-test results.

#include "korvane/interfaces/interface_list.h"

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace korvane {

class CKorvaneCommandLineInfo;
class HeadlessServices;

class KorvaneFrontEnd {
public:
    virtual ~KorvaneFrontEnd() = default;
    // The help text: an information box when there is a display, else the output stream.
    virtual void showHelp(const std::string& text) = 0;
    virtual bool ctrlHeldAtStart() = 0;
    // The message boxes and result windows of the dialog, for the interfaces it will own.
    virtual InterfaceContext dialogContext() = 0;
    // Runs the main dialog, which takes over the interfaces; returns its end code.
    virtual int runDialog(InterfaceList interfaces, const std::string& loadFile) = 0;
};

// Exit codes of the tool.
constexpr int kExitOk = 0;
constexpr int kExitNoInterface = -1;
constexpr int kExitFileUnreadable = -2;
// Our own additions: a self-test that found faults, and a self-test that could not run; with
// "--strict", an "-exec" run in which a bus transfer failed (or the interface went away), and
// one in which lines of the file were refused (no action, or numbers outside the interface's
// ranges). Refused lines are skipped and the rest still runs.
constexpr int kExitSelfTestFailed = 1;
constexpr int kExitSelfTestNotRun = 2;
constexpr int kExitTransferFailed = 3;
constexpr int kExitLinesRefused = 4;

// Runs a sequence file once on the interface: -1 without an interface, -2 when the file
// cannot be read, otherwise 0; when strict, 3 or 4 as above (3 wins when both apply). Every
// refused line is named on err with its line number and the reason; so is why the file could
// not be read.
int executeSequenceFile(CInterface* bus, const std::filesystem::path& file, std::ostream& err,
                        bool strict);

class CKorvaneApp {
public:
    using ListBuilder = std::function<InterfaceList(InterfaceContext, bool ctrlAtStart)>;

    // out and err take the headless output (--list, --selftest, messages of the interfaces).
    CKorvaneApp(KorvaneFrontEnd& frontEnd, ListBuilder buildList, std::ostream& out,
                std::ostream& err);
    ~CKorvaneApp();

    // Returns the process exit code.
    int run(const std::vector<std::string>& arguments);

private:
    static bool isHeadless(const CKorvaneCommandLineInfo& commandLine);
    static bool selectByCommandLine(const CKorvaneCommandLineInfo& commandLine,
                                    InterfaceList& list);
    int runHeadless(const CKorvaneCommandLineInfo& commandLine, InterfaceList& list);
    int listInterfaces(const InterfaceList& list);
    int runSelfTest(CInterface* bus, const std::string& hint);
    void reportDroppedMessages();
    // Says on err that there is no interface, what kept the devices away, and the hint about
    // real adapters when there is one.
    void reportNoInterface(const char* what, const std::string& hint = {});

    KorvaneFrontEnd& m_frontEnd;
    ListBuilder m_buildList;
    std::ostream& m_out;
    std::ostream& m_err;
    std::unique_ptr<HeadlessServices> m_headless;
};

// One line of "korvane --list": index, name and ranges, separated by tabs.
std::string interfaceListLine(int index, CInterface& bus);

} // namespace korvane
