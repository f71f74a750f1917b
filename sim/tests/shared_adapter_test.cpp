// Several processes sharing one simulated USB860 adapter through its named mutex, as tarvik,
// korvane and other programs do on the real adapter.

#include "common/devices/devices.h"
#include "common/devices/usb860_protocol.h"
#include "common/sync/named_mutex.h"
#include "sim/testing/sim_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace kw::sim::testkit;
using namespace std::chrono_literals;

namespace {

struct Pipes {
    std::unique_ptr<kw::DeviceHandle> write;
    std::unique_ptr<kw::DeviceHandle> read;
};

Pipes openFirstUsb() {
    const auto devices = kw::enumerateDevices(kw::DeviceKind::Usb860);
    if (devices.empty()) {
        return {};
    }
    return {kw::openPipe(devices[0].path, kw::kUsbWritePipe, kw::Access::Write).handle,
            kw::openPipe(devices[0].path, kw::kUsbReadPipe, kw::Access::Read).handle};
}

// One bus word pair under the adapter's mutex: write a value, read it back.
bool writeAndReadBack(Pipes& pipes, kw::NamedMutex& mutex, int card, int data) {
    if (mutex.lock() == kw::WaitResult::Failed) {
        return false;
    }
    pipes.write->write(kw::usb860::writePacket(0, static_cast<std::uint16_t>(card), 3,
                                               static_cast<std::uint16_t>(data)));
    pipes.write->write(kw::usb860::readPacket(0, static_cast<std::uint16_t>(card), 3));
    const auto answer = kw::usb860::readAnswer(*pipes.read);
    mutex.unlock();
    return answer.transfer.complete(2) && answer.value == data;
}

// A program hammering the adapter: exit code 0 when every answer was its own.
int hammer(int card, int words) {
    Pipes pipes = openFirstUsb();
    if (!pipes.write || !pipes.read) {
        return 2;
    }
    kw::NamedMutex& mutex = kw::NamedMutex::shared(kw::kUsb860MutexName);
    int wrong = 0;
    for (int i = 0; i < words; ++i) {
        wrong += writeAndReadBack(pipes, mutex, card, (card * 37 + i) & 0xFF) ? 0 : 1;
    }
    return wrong == 0 ? 0 : 1;
}

int exitCodeOf(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// A machine of its own: device directory, mutex namespace and a simulator with a bus log.
struct SharedAdapter {
    TempDirectory temp;
    ScopedEnvironment devices{"KONTROLLWERK_DEVICE_DIR", (temp.path() / "dev").string()};
    PrivateMutexNamespace mutexes;
    std::filesystem::path log = temp.path() / "bus.log";
    SimulatorProcess simulator{
        temp.path() / "dev",
        {"--log", log.string(),
         writeRackFile(temp.path(), "a.rack", {"adapter usb860 serial=1", "0 31 0"}).string()}};
};

std::vector<std::string> logLines(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST(SharedAdapter, TwoProcessesHammeringItNeverGetEachOthersAnswers) {
    SharedAdapter machine;
    ASSERT_TRUE(machine.simulator.ready()) << machine.simulator.errorText();
    constexpr int kWords = 1500;
    std::vector<pid_t> children;
    for (const int card : {1, 2}) {
        const pid_t pid = fork();
        if (pid == 0) {
            _exit(hammer(card, kWords));
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        EXPECT_EQ(0, exitCodeOf(pid));
    }
    // On the bus every read follows its own write: the pairs were never split.
    const auto lines = logLines(machine.log);
    ASSERT_EQ(4u * kWords, lines.size());
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        ASSERT_EQ('W', lines[i][0]) << i;
        ASSERT_EQ(std::string("R").append(lines[i], 1), lines[i + 1]) << i;
    }
}

TEST(SharedAdapter, AHolderKilledWhileOwningTheMutexLeavesItAbandoned) {
    SharedAdapter machine;
    ASSERT_TRUE(machine.simulator.ready()) << machine.simulator.errorText();
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    const pid_t holder = fork();
    if (holder == 0) {
        close(ready[0]);
        Pipes pipes = openFirstUsb();
        kw::NamedMutex& mutex = kw::NamedMutex::shared(kw::kUsb860MutexName);
        if (!pipes.write || mutex.lock() != kw::WaitResult::Acquired) {
            _exit(2);
        }
        // Killed in the middle of a bus word: the packet is out, the answer never fetched.
        pipes.write->write(kw::usb860::readPacket(0, 0, 15));
        [[maybe_unused]] const auto ignored = write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(1, read(ready[0], &byte, 1));
    close(ready[0]);

    kw::NamedMutex& mutex = kw::NamedMutex::shared(kw::kUsb860MutexName);
    EXPECT_EQ(kw::WaitResult::Timeout, mutex.lock(50ms)); // held by the living holder
    kill(holder, SIGKILL);
    EXPECT_EQ(100 + SIGKILL, exitCodeOf(holder));

    EXPECT_EQ(kw::WaitResult::Abandoned, mutex.lock(2000ms));
    Pipes pipes = openFirstUsb();
    ASSERT_TRUE(pipes.write && pipes.read);
    // The dead holder's answer still waits at the adapter; whoever takes over clears it.
    std::uint8_t stale[64];
    pipes.read->read(stale);
    EXPECT_TRUE(writeAndReadBack(pipes, mutex, 5, 99));
    EXPECT_TRUE(mutex.unlock());
    // From now on it is an ordinary mutex again, for this process and others.
    EXPECT_EQ(kw::WaitResult::Acquired, mutex.lock(0ms));
    mutex.unlock();
    const pid_t next = fork();
    if (next == 0) {
        _exit(hammer(7, 10));
    }
    EXPECT_EQ(0, exitCodeOf(next));
}
