#include "korvane/tool/korvane_app.h"

#include "korvane/tool/action_list_model.h"
#include "korvane/tool/command_line_info.h"
#include "korvane/tool/headless_services.h"

#include "common/devices/devices.h"

#include <ostream>

namespace korvane {

namespace {

const char* const kNoInterfaceText = "Kein Testsystem-Interface vorhanden!";

std::string range(int low, int high) {
    return std::to_string(low) + "-" + std::to_string(high);
}

} // namespace

namespace {

// Names each action the interface's ranges refused, as the run reaches it.
class RefusalPrinter : public ActionListObserver {
public:
    RefusalPrinter(const ActionListModel& sequence, std::string where, std::ostream& err)
        : m_sequence(sequence), m_where(std::move(where)), m_err(err) {}

    void resultShown(int index) override {
        if (const std::string& reason = m_sequence.refusal(index); !reason.empty()) {
            m_err << "korvane: Zeile " << m_sequence.fileLine(index) << m_where << ": " << reason
                  << ", nicht gesendet.\n";
        }
    }

private:
    const ActionListModel& m_sequence;
    std::string m_where;
    std::ostream& m_err;
};

} // namespace

int executeSequenceFile(CInterface* bus, const std::filesystem::path& file, std::ostream& err,
                        bool strict) {
    if (bus == nullptr) {
        return kExitNoInterface;
    }
    const std::string where = " von \"" + file.string() + "\"";
    ActionListModel sequence;
    const ActionListModel::FileLoad load = sequence.loadSequenceFile(file);
    if (!load.loaded) {
        err << "korvane: Die Ablaufdatei \"" << file.string() << "\" kann nicht gelesen werden: "
            << kw::readProblemText(load.problem, kMaxSequenceFileBytes) << ".\n";
        return kExitFileUnreadable;
    }
    for (const int line : load.rejectedLines) {
        err << "korvane: Zeile " << line << where << " ist keine Aktion, übersprungen.\n";
    }
    RefusalPrinter printer(sequence, where, err);
    sequence.setObserver(&printer);
    const int failuresBefore = bus->transferFailures();
    const int refused = sequence.executeAll(bus);
    sequence.setObserver(nullptr);
    if (!strict) {
        return kExitOk;
    }
    if (bus->transferFailures() != failuresBefore) {
        return kExitTransferFailed;
    }
    return refused > 0 || !load.rejectedLines.empty() ? kExitLinesRefused : kExitOk;
}

std::string interfaceListLine(int index, CInterface& bus) {
    return std::to_string(index) + "\t" + bus.displayName() + "\tSystem " +
           range(bus.minSystemAddress(), bus.maxSystemAddress()) + ", Karte " +
           range(bus.minCardAddress(), bus.maxCardAddress()) + ", Funktion " +
           range(bus.minFunctionAddress(), bus.maxFunctionAddress()) + ", Daten " +
           range(bus.minData(), bus.maxData());
}

CKorvaneApp::CKorvaneApp(KorvaneFrontEnd& frontEnd, ListBuilder buildList, std::ostream& out,
                         std::ostream& err)
    : m_frontEnd(frontEnd), m_buildList(std::move(buildList)), m_out(out), m_err(err) {}

CKorvaneApp::~CKorvaneApp() = default;

bool CKorvaneApp::isHeadless(const CKorvaneCommandLineInfo& commandLine) {
    const bool exec =
        commandLine.has(CKorvaneCommandLineInfo::kExec) && !commandLine.fileName.empty();
    return exec || commandLine.listInterfaces || commandLine.selfTest;
}

int CKorvaneApp::run(const std::vector<std::string>& arguments) {
    const CKorvaneCommandLineInfo commandLine(arguments);
    if (commandLine.has(CKorvaneCommandLineInfo::kHelp)) {
        m_frontEnd.showHelp(std::string(kKorvaneHelpText) + kKorvaneHelpAdditions);
        return kExitOk;
    }
    const bool headless = isHeadless(commandLine);
    // A headless run has no keyboard to ask and no window to show: its interfaces report to
    // the streams and never wait for a user.
    if (headless) {
        m_headless = std::make_unique<HeadlessServices>(m_out, m_err, commandLine.confirmSelfTest);
    }
    InterfaceList list =
        headless ? m_buildList(m_headless->context(), false)
                 : m_buildList(m_frontEnd.dialogContext(), m_frontEnd.ctrlHeldAtStart());
    if (commandLine.listInterfaces) {
        return listInterfaces(list);
    }
    if (!selectByCommandLine(commandLine, list)) {
        if (headless) {
            reportNoInterface("Die gewählte Testsystem-Schnittstelle ist nicht vorhanden!");
        }
        return kExitNoInterface;
    }
    if (headless) {
        return runHeadless(commandLine, list);
    }
    const bool load =
        commandLine.has(CKorvaneCommandLineInfo::kLoad) && !commandLine.fileName.empty();
    return m_frontEnd.runDialog(std::move(list), load ? commandLine.fileName : std::string());
}

bool CKorvaneApp::selectByCommandLine(const CKorvaneCommandLineInfo& commandLine,
                                      InterfaceList& list) {
    int kind = -1;
    if (commandLine.has(CKorvaneCommandLineInfo::kUsb860)) {
        kind = kSelectUsb860;
    } else if (commandLine.has(CKorvaneCommandLineInfo::kUlm860)) {
        kind = kSelectUlm860;
    } else if (commandLine.has(CKorvaneCommandLineInfo::kInt41)) {
        kind = kSelectInt41;
    } else {
        return true;
    }
    list.current = list.select(kind, commandLine.interfaceParameter);
    return list.current != nullptr;
}

int CKorvaneApp::runHeadless(const CKorvaneCommandLineInfo& commandLine, InterfaceList& list) {
    int code = kExitOk;
    if (commandLine.has(CKorvaneCommandLineInfo::kExec) && !commandLine.fileName.empty()) {
        if (list.current == nullptr) {
            reportNoInterface(kNoInterfaceText, list.hint);
        }
        code = executeSequenceFile(list.current, commandLine.fileName, m_err, commandLine.strict);
    } else {
        code = runSelfTest(list.current, list.hint);
    }
    reportDroppedMessages();
    return code;
}

int CKorvaneApp::listInterfaces(const InterfaceList& list) {
    if (list.shown.empty()) {
        reportNoInterface(kNoInterfaceText, list.hint);
        return kExitNoInterface;
    }
    for (std::size_t i = 0; i < list.shown.size(); ++i) {
        m_out << interfaceListLine(static_cast<int>(i), *list.shown[i]) << '\n';
    }
    return kExitOk;
}

int CKorvaneApp::runSelfTest(CInterface* bus, const std::string& hint) {
    if (bus == nullptr) {
        reportNoInterface(kNoInterfaceText, hint);
        return kExitNoInterface;
    }
    // Asking for the self-test on the command line unlocks it, as the hidden key does.
    bus->enableSelfTest();
    if (!bus->canSelfTest()) {
        m_err << "korvane: Die Schnittstelle \"" << bus->displayName()
              << "\" hat keinen Selbsttest.\n";
        return kExitSelfTestNotRun;
    }
    bus->runSelfTest();
    const PrintedSelfTest& outcome = m_headless->selfTest();
    if (!outcome.opened) {
        m_err << "korvane: Selbsttest abgebrochen.\n";
        return kExitSelfTestNotRun;
    }
    return outcome.failed ? kExitSelfTestFailed : kExitOk;
}

void CKorvaneApp::reportDroppedMessages() {
    const MessageGuard& guard = m_headless->guard();
    const std::pair<MessageFamily, const char*> families[] = {{MessageFamily::Int41, "INT41"},
                                                              {MessageFamily::Usb, "USB"}};
    for (const auto& [family, name] : families) {
        if (const std::size_t dropped = guard.droppedCount(family); dropped > 0) {
            m_err << "korvane: " << dropped << " weitere " << name
                  << "-Meldung(en) dieser Art unterdrückt.\n";
        }
    }
}

void CKorvaneApp::reportNoInterface(const char* what, const std::string& hint) {
    m_err << "korvane: " << what << '\n';
    for (const std::string& problem : kw::takeDeviceProblems()) {
        m_err << "korvane: " << problem << ".\n";
    }
    if (!hint.empty()) {
        m_err << "korvane: " << hint << '\n';
    }
}

} // namespace korvane
