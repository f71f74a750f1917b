// tarvik --batch as a user runs it, with and without a switched-on (simulated) system.

#include "sim/testing/sim_process.h"

#include "common/devices/libusb_backend.h"
#include "common/devices/usb_adapter_ids.h"

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using namespace kw::sim::testkit;

namespace {

const std::string kQuestion =
    "Kein eingeschaltetes System vorhanden!\n\nMöchten Sie den Systemausbau selbst "
    "zusammenstellen?";

struct ProgramRun {
    int exitCode;
    std::string out;
    std::string err;
};

ProgramRun tarvik(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{KW_TARVIK_PROGRAM};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ProgramRun run{};
    run.exitCode = runProgram(command, 20000, &run.out, &run.err);
    return run;
}

// A private device directory (and mutex namespace) for the programs this test starts.
struct PrivateMachine {
    TempDirectory temp;
    ScopedEnvironment devices{"KONTROLLWERK_DEVICE_DIR", (temp.path() / "dev").string()};
    ScopedEnvironment noUsbIds{kw::kUsbIdsVariable, ""}; // no real adapters configured
    PrivateMutexNamespace mutexes;
    std::filesystem::path dev() const { return temp.path() / "dev"; }
};

} // namespace

TEST(TarvikProgram, ReadsTheDemoRackFromTheSimulatedSystem) {
    PrivateMachine machine;
    SimulatorProcess sim(machine.dev(), {KW_DEMO_RACK});
    ASSERT_TRUE(sim.ready()) << sim.errorText();
    const ProgramRun run = tarvik({"--batch", "--list"});
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("P1-2\tULM860\t\tULM860\n")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("P1-3\tQBT860\t\t\n"));
    EXPECT_NE(std::string::npos, run.out.find("P1-6\tTQD860\tNG ++\tTQD_1\n"));
    EXPECT_NE(std::string::npos, run.out.find("ZUPA\tZUPA\t5V-NG\t\n"));
    EXPECT_NE(std::string::npos, run.out.find("P2-5\tJEL6\t\tJEL_1\n"));
    EXPECT_NE(std::string::npos, run.out.find("Ad50\tDAX19\t\t\n"));

    // Edits apply to what was read; --system has no say then.
    const ProgramRun edited =
        tarvik({"--batch", "--system", "UKPRQ", "--card", "1=(leer)", "--list"});
    ASSERT_EQ(0, edited.exitCode) << edited.err;
    EXPECT_NE(std::string::npos, edited.out.find("P1-4\t\t\t\n")) << edited.out;
    EXPECT_NE(std::string::npos, edited.err.find("--system und --expansion gelten nicht"));
}

TEST(TarvikProgram, WithoutASystemTheQuestionIsAnsweredNoUnlessYes) {
    PrivateMachine machine;
    const ProgramRun no = tarvik({"--batch", "--list"});
    EXPECT_EQ(1, no.exitCode);
    EXPECT_TRUE(no.out.empty());
    // Without configured real adapters the question follows the line that says how.
    const std::string hint = "tarvik: " + kw::usbAdapterHint() + "\n";
    EXPECT_NE(std::string::npos, hint.find("usb860-ids.conf"));
    EXPECT_EQ(hint + kQuestion + " Nein\n", no.err);

    const ProgramRun yes = tarvik({"--batch", "--yes", "--system", "UKPRQ", "--list"});
    ASSERT_EQ(0, yes.exitCode) << yes.err;
    EXPECT_EQ(hint + kQuestion + " Ja (--yes)\n", yes.err);
    EXPECT_EQ(0u, yes.out.find("QBT\tQBT520\t\t\n")) << yes.out;

    // -i never looks for hardware and never asks.
    const ProgramRun skip = tarvik({"-i", "--batch", "--list"});
    EXPECT_EQ(0, skip.exitCode);
    EXPECT_TRUE(skip.err.empty()) << skip.err;
}

TEST(TarvikProgram, WithoutADisplayTheDesktopProgramPointsToBatch) {
    PrivateMachine machine;
    ScopedEnvironment offscreen("QT_QPA_PLATFORM", "offscreen");
    const ProgramRun run = tarvik({"-i"});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("Keine Anzeige vorhanden")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("tarvik --batch")) << run.err;
}

// A batch run never ends with 0 on a configuration it could not read, and never reads an
// input file until the memory runs out.
TEST(TarvikProgram, ReadingThatFailsEndsWithAReason) {
    struct Case {
        const char* name;
        std::vector<std::string> rack; // served when not empty
        std::vector<std::string> arguments;
        int exitCode;
        const char* errText;
        bool folderOpenToAll = false; // the device folder made writable by everybody
    };
    const Case cases[] = {
        {"bus failing while the configuration is read",
         {"adapter usb860 serial=1", "0 31 0", "1 2 0", "fault fail after=5"},
         {"--batch", "--list"},
         1,
         "tarvik: Der Systemausbau konnte nicht gelesen werden: eine Übertragung zum Testsystem "
         "ist fehlgeschlagen!\n"},
        {"endless sysinfo file",
         {},
         {"--batch", "--from-sysinfo", "/dev/zero", "--list"},
         2,
         "--from-sysinfo: Die Datei \"/dev/zero\" kann nicht gelesen werden: sie ist größer als "
         "65536 Bytes"},
        {"sysinfo folder",
         {},
         {"--batch", "--from-sysinfo", "/", "--list"},
         2,
         "--from-sysinfo: Die Datei \"/\" kann nicht gelesen werden: Is a directory"},
        {"device folder others may write to",
         {"adapter usb860 serial=1", "0 31 0"},
         {"--batch", "--list"},
         1,
         " ist für andere Benutzer beschreibbar (Rechte 0777).\n",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrivateMachine machine;
        std::unique_ptr<SimulatorProcess> sim;
        if (!c.rack.empty()) {
            sim = std::make_unique<SimulatorProcess>(
                machine.dev(),
                std::vector<std::string>{writeRackFile(machine.temp.path(), "a.rack", c.rack)});
            ASSERT_TRUE(sim->ready()) << sim->errorText();
        }
        if (c.folderOpenToAll) {
            std::filesystem::permissions(machine.dev(), std::filesystem::perms::all);
        }
        const ProgramRun run = tarvik(c.arguments);
        EXPECT_EQ(c.exitCode, run.exitCode);
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_NE(std::string::npos, run.err.find(c.errText)) << run.err;
    }
}
