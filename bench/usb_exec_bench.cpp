// korvane -exec round trips (a read packet and its answer) through a real-adapter path, the
// libusb backend on a USB860 adapter that umockdev emulates (usbfs ioctls served by a handler
// thread of this process), against the same sequence through testsystem-sim's socket in the
// same run. The emulation costs several ioctl exchanges per transfer, so the figure bounds
// what the backend adds rather than what a real adapter takes.

#include "bench_util.h"

#include "common/devices/usb_adapter_ids.h"
#include "sim/rack.h"
#include "sim/simulator.h"
#include "sim/testing/emulated_usb_bus.h"
#include "sim_bench_setup.h"

#include <cstdio>
#include <fstream>

using namespace kw::sim::testkit;

namespace {

constexpr int kReads = 4000;

void writeSequence(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < kReads; ++i) {
        out << "0," << (i % 16) << ",3,?,0; lesen\r\n";
    }
}

// Round trips per second of korvane -usb 1 -exec, or 0 when it failed.
double execRoundTripsPerSecond(const std::filesystem::path& sequence, const char* path) {
    int exitCode = -1;
    std::string err;
    const double seconds = bench::bestSeconds(2, [&] {
        exitCode = runProgram({KW_KORVANE_PROGRAM, "-usb", "1", "-exec", sequence.string()}, 120000,
                              nullptr, &err);
    });
    if (exitCode != 0 || !err.empty()) {
        std::fprintf(stderr, "usb_exec_bench: korvane -exec über %s endete mit %d: %s\n", path,
                     exitCode, err.c_str());
        return 0;
    }
    return kReads / seconds;
}

} // namespace

int main() {
    const bench::SimFolders folders;
    PrivateMutexNamespace mutexes;
    const auto sequence = folders.files.path() / "ablauf.txt";
    writeSequence(sequence);
    const std::vector<std::string> rackLines{"adapter usb860 serial=1", "0 31 0", "1 2 0"};

    double socket = 0;
    {
        ScopedEnvironment noUsb(kw::kUsbIdsVariable, "");
        const auto rack = writeRackFile(folders.files.path(), "bench.rack", rackLines);
        SimulatorProcess sim(folders.devices.path(), {rack.string()});
        if (!bench::simulatorUp(sim, "usb_exec_bench", false)) {
            return 1;
        }
        socket = execRoundTripsPerSecond(sequence, "den Socket");
    }

    EmulatedUsbBus bus;
    std::string error;
    auto simulator = kw::sim::Simulator::build({*kw::sim::parseRack(rackLines).rack}, &error);
    bus.plug(simulator->sharedAdapter(0), {{0x0b1e, 0x0860}, "1", "480"});
    ScopedEnvironment ids(kw::kUsbIdsVariable, "0b1e:0860");
    ScopedEnvironment preload("LD_PRELOAD", "libumockdev-preload.so.0");
    const double usb = execRoundTripsPerSecond(sequence, "libusb");
    if (socket <= 0 || usb <= 0) {
        return 1;
    }
    bench::report("usb_exec_libusb_round_trips", usb, "round_trips/s", socket);
    return 0;
}
