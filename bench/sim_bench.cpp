// Bus words per second through testsystem-sim, next to a raw socket ping-pong between two
// processes measured in the same run with frames of the same size.
//
//   sim_int41_bus_words    one INT41 driver control per bus word (read)
//   sim_usb860_transfers   USB860 pipe transfers (a read bus word is two: packet, answer)
// Both against the raw round trips per second.

#include "bench/bench_util.h"
#include "common/devices/devices.h"
#include "common/devices/int41_protocol.h"
#include "common/devices/usb860_protocol.h"
#include "common/devices/wire_protocol.h"
#include "sim/testing/sim_process.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kw::sim::testkit;

namespace {

constexpr int kRounds = 9;
constexpr int kTrips = 10000;

// Frames as large as an INT41 bus-word read: request header + 16 bytes, reply header + 16.
constexpr std::size_t kRequestSize = kw::wire::kRequestHeaderSize + 16;
constexpr std::size_t kReplySize = kw::wire::kReplyHeaderSize + 16;

// A plain echo process on a socket pair: the least any process-to-process round trip costs.
class RawPingPong {
public:
    RawPingPong() {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair) != 0) {
            return;
        }
        m_echo = fork();
        if (m_echo == 0) {
            close(pair[0]);
            std::uint8_t frame[256];
            std::uint8_t reply[kReplySize] = {};
            while (recv(pair[1], frame, sizeof frame, 0) > 0) {
                send(pair[1], reply, sizeof reply, MSG_NOSIGNAL);
            }
            _exit(0);
        }
        close(pair[1]);
        m_fd = pair[0];
    }
    ~RawPingPong() {
        close(m_fd);
        waitpid(m_echo, nullptr, 0);
    }
    void run(int trips) {
        std::uint8_t request[kRequestSize] = {};
        std::uint8_t answer[256];
        for (int i = 0; i < trips; ++i) {
            send(m_fd, request, sizeof request, MSG_NOSIGNAL);
            recv(m_fd, answer, sizeof answer, 0);
        }
    }

private:
    int m_fd = -1;
    pid_t m_echo = -1;
};

double seconds(const std::function<void()>& work) {
    return bench::bestSeconds(1, work);
}

} // namespace

int main() {
    TempDirectory temp;
    const auto dev = temp.path() / "dev";
    ScopedEnvironment devices("KONTROLLWERK_DEVICE_DIR", dev.string());
    const auto int41 = writeRackFile(temp.path(), "int41.rack", {"adapter int41", "1 2 0"});
    const auto usb = writeRackFile(temp.path(), "usb.rack", {"adapter usb860 serial=1", "1 2 0"});
    SimulatorProcess simulator(dev, {int41.string(), usb.string()});
    if (!simulator.ready() || simulator.devicePaths().size() != 2) {
        std::fprintf(stderr, "sim_bench: testsystem-sim did not start: %s\n",
                     simulator.errorText().c_str());
        return 1;
    }
    auto driver =
        kw::openDevice(simulator.devicePaths()[0], kw::Access::ReadWrite, kw::Sharing::Exclusive);
    auto write = kw::openPipe(simulator.devicePaths()[1], kw::kUsbWritePipe, kw::Access::Write);
    auto read = kw::openPipe(simulator.devicePaths()[1], kw::kUsbReadPipe, kw::Access::Read);
    if (!driver || !write || !read) {
        std::fprintf(stderr, "sim_bench: the simulated adapters do not open\n");
        return 1;
    }
    RawPingPong raw;
    const auto packet = kw::usb860::readPacket(0, 1, 15);
    std::uint32_t sum = 0;
    // The three are measured in turns, so that a busy machine disturbs them alike; the best
    // round of each counts.
    double rawBest = 1e300;
    double int41Best = 1e300;
    double usbBest = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        rawBest = std::min(rawBest, seconds([&] { raw.run(kTrips); }));
        int41Best = std::min(int41Best, seconds([&] {
                                 for (int i = 0; i < kTrips; ++i) {
                                     sum += kw::int41::readBusWord(*driver.handle, 0, 1, 15).value;
                                 }
                             }));
        usbBest = std::min(usbBest, seconds([&] {
                               for (int i = 0; i < kTrips / 2; ++i) {
                                   write.handle->write(packet);
                                   sum += kw::usb860::readAnswer(*read.handle).value;
                               }
                           }));
    }
    bench::keep(sum);
    const double rawRate = kTrips / rawBest;
    bench::report("sim_int41_bus_words", kTrips / int41Best, "words/s", rawRate);
    bench::report("sim_usb860_transfers", kTrips / usbBest, "transfers/s", rawRate);
    return 0;
}
