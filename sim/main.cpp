// testsystem-sim: plays bus adapters and the test systems behind them, so that tarvik and
// korvane run as against real hardware.

#include "common/devices/device_directory.h"
#include "sim/socket_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRunFailed = 1;
constexpr int kBadUsage = 2;

const char* const kUsage =
    "Aufruf: testsystem-sim [--dir VERZEICHNIS] [--log DATEI] GESTELL-DATEI...\n"
    "        testsystem-sim [--dir VERZEICHNIS] --plug NAME | --unplug NAME\n"
    "\n"
    "Bietet je Gestell-Datei einen Bus-Adapter mit dem Testsystem dahinter an, bis SIGINT\n"
    "oder SIGTERM kommt. --log schreibt jedes Buswort als Zeile \"W sys karte funktion daten\"\n"
    "oder \"R sys karte funktion wert\". --plug/--unplug steckt einen Adapter eines laufenden\n"
    "Simulators an oder ab (NAME: USB-Seriennummer, Gerätename oder Nummer der Gestell-Datei).\n"
    "Verzeichnis: --dir, sonst KONTROLLWERK_DEVICE_DIR, sonst $XDG_RUNTIME_DIR/kontrollwerk,\n"
    "sonst /tmp/kontrollwerk-<uid>.\n";

struct Options {
    std::filesystem::path directory = kw::deviceDirectory();
    bool directoryChosen = kw::deviceDirectoryChosen();
    std::string logFile;
    std::vector<std::string> rackFiles;
    std::string controlVerb;
    std::string controlName;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (argument == "--dir" && hasValue) {
            options.directory = argv[++i];
            options.directoryChosen = true;
        } else if (argument == "--log" && hasValue) {
            options.logFile = argv[++i];
        } else if ((argument == "--plug" || argument == "--unplug") && hasValue) {
            options.controlVerb = argument.substr(2);
            options.controlName = argv[++i];
        } else if (argument.rfind("--", 0) == 0) {
            std::fprintf(stderr, "testsystem-sim: Unbekannte Option %s\n", argument.c_str());
            return false;
        } else {
            options.rackFiles.push_back(argument);
        }
    }
    return options.controlVerb.empty() != options.rackFiles.empty();
}

// Asks every simulator serving the directory and says which ones were asked and what each
// answered, so that a user sees where the command went.
int control(const Options& options) {
    const auto answers = kw::sim::SocketServer::askSimulators(
        options.directory, options.controlVerb + " " + options.controlName);
    bool known = false;
    for (const auto& [simulator, answer] : answers) {
        std::printf("testsystem-sim: %s %s an %s: %s\n", options.controlVerb.c_str(),
                    options.controlName.c_str(), simulator.c_str(),
                    answer.empty() ? "keine Antwort" : answer.c_str());
        known = known || answer == "ok";
    }
    if (known) {
        return 0;
    }
    if (answers.empty()) {
        std::fprintf(stderr, "testsystem-sim: Kein laufender Simulator in %s\n",
                     options.directory.c_str());
    } else {
        std::fprintf(stderr,
                     "testsystem-sim: Kein laufender Simulator in %s kennt den Adapter %s\n",
                     options.directory.c_str(), options.controlName.c_str());
    }
    return kRunFailed;
}

// SIGINT and SIGTERM arrive as a readable descriptor, so that the server ends between
// requests and removes its sockets.
int stopDescriptor() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    return signalfd(-1, &signals, SFD_CLOEXEC);
}

int serve(const Options& options) {
    std::vector<kw::sim::Rack> racks;
    for (const std::string& file : options.rackFiles) {
        auto parse = kw::sim::readRackFile(file);
        if (!parse.rack) {
            std::fprintf(stderr, "testsystem-sim: %s\n", parse.error.c_str());
            return kBadUsage;
        }
        racks.push_back(std::move(*parse.rack));
    }
    std::string error;
    auto simulator = kw::sim::Simulator::build(racks, &error);
    if (!simulator) {
        std::fprintf(stderr, "testsystem-sim: %s\n", error.c_str());
        return kBadUsage;
    }
    if (!options.logFile.empty()) {
        const auto log = kw::sim::BusLog::toFile(options.logFile);
        if (!log.isOpen()) {
            std::fprintf(stderr,
                         "testsystem-sim: Die Protokolldatei %s kann nicht geöffnet "
                         "werden\n",
                         options.logFile.c_str());
            return kRunFailed;
        }
        simulator->setLog(log);
    }
    const int stopFd = stopDescriptor();
    kw::sim::SocketServer server(*simulator, options.directory, options.directoryChosen);
    if (!server.start(&error)) {
        std::fprintf(stderr, "testsystem-sim: %s\n", error.c_str());
        return kRunFailed;
    }
    // Scripts and tests wait for "bereit" before they use the devices.
    for (std::size_t i = 0; i < simulator->size(); ++i) {
        std::printf("%s\n", server.devicePath(i).c_str());
    }
    std::printf("bereit\n");
    std::fflush(stdout);
    server.run(stopFd);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return kBadUsage;
    }
    return options.controlVerb.empty() ? serve(options) : control(options);
}
