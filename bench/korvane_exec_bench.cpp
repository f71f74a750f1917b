// korvane -exec on a 100 000-line sequence against testsystem-sim: actions per second of the
// program, next to the round trips per second of the bare transport (one read packet and its
// answer over the adapter's pipes) measured in the same run. The sequence alternates sends
// (one packet) and receives (a packet and its answer), so a program without any overhead of
// its own would reach a ratio of 4/3.

#include "bench_util.h"

#include "common/devices/devices.h"
#include "common/devices/usb860_protocol.h"
#include "sim_bench_setup.h"

#include <chrono>
#include <cstdio>
#include <fstream>

using namespace kw::sim::testkit;

namespace {

constexpr int kActions = 100000;
constexpr int kRoundTrips = 10000;

// Alternating sends and receives on a few addresses, as a real sequence mixes them.
void writeSequence(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < kActions; ++i) {
        const int card = i % 16;
        if (i % 2 == 0) {
            out << "0," << card << ",3," << (i % 256) << ",0; senden\r\n";
        } else {
            out << "0," << card << ",3,?,0; lesen\r\n";
        }
    }
}

// Bare round trips through the transport: read packet out, answer in.
double transportRoundTripsPerSecond(const std::string& path) {
    auto write = kw::openPipe(path, kw::kUsbWritePipe, kw::Access::Write);
    auto read = kw::openPipe(path, kw::kUsbReadPipe, kw::Access::Read);
    if (!write || !read) {
        std::fprintf(stderr, "korvane_exec_bench: Adapter nicht erreichbar\n");
        return 0;
    }
    const auto packet = kw::usb860::readPacket(0, 5, 3);
    const double seconds = bench::bestSeconds(3, [&] {
        for (int i = 0; i < kRoundTrips; ++i) {
            write.handle->write(packet);
            bench::keep(kw::usb860::readAnswer(*read.handle).value);
        }
    });
    return kRoundTrips / seconds;
}

} // namespace

int main() {
    const bench::SimFolders folders;
    const auto rack =
        writeRackFile(folders.files.path(), "bench.rack", {"adapter usb860 serial=1"});
    SimulatorProcess sim(folders.devices.path(), {rack.string()});
    if (!bench::simulatorUp(sim, "korvane_exec_bench", true)) {
        return 1;
    }
    const auto sequence = folders.files.path() / "ablauf.txt";
    writeSequence(sequence);

    const double roundTrips = transportRoundTripsPerSecond(sim.devicePaths().front());
    int exitCode = -1;
    const double seconds = bench::bestSeconds(2, [&] {
        exitCode = runProgram({KW_KORVANE_PROGRAM, "-exec", sequence.string()}, 120000, nullptr);
    });
    if (exitCode != 0) {
        std::fprintf(stderr, "korvane_exec_bench: korvane -exec endete mit %d\n", exitCode);
        return 1;
    }
    bench::report("korvane_exec_actions", kActions / seconds, "actions/s", roundTrips);
    return 0;
}
