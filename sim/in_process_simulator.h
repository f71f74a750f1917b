#pragma once

// The simulator inside a unit test: the racks' adapters become this process's devices (and
// the INT41/INT900 cards its I/O ports) for the simulator's lifetime, without sockets. The
// same adapters as testsystem-sim, so what works here works against the program.
//
//   kw::sim::InProcessSimulator sim({"adapter usb860 serial=7 ulm860", "card 1 2 0"});
//   auto devices = kw::enumerateDevices(kw::DeviceKind::Usb860);   // the one adapter
//   sim.unplug();                                                  // removal notice
//
// One in-process simulator at a time per process.

#include "common/devices/in_process_backend.h"
#include "sim/simulated_ports.h"
#include "sim/simulator.h"

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kw::sim {

class InProcessSimulator {
public:
    // One adapter per rack. Racks a Simulator cannot take throw std::invalid_argument.
    explicit InProcessSimulator(const std::vector<Rack>& racks);
    // One rack, given as the lines of a rack file; throws std::invalid_argument with the
    // parser's message when they do not parse.
    explicit InProcessSimulator(std::initializer_list<std::string> rackLines);
    ~InProcessSimulator();
    InProcessSimulator(const InProcessSimulator&) = delete;
    InProcessSimulator& operator=(const InProcessSimulator&) = delete;

    Adapter& adapter(std::size_t index = 0) { return m_simulator.adapter(index); }
    // The device path under which programs find the adapter.
    std::string devicePath(std::size_t index = 0) const;

    void unplug(std::size_t index = 0) { adapter(index).unplug(); }
    void plug(std::size_t index = 0) { adapter(index).plug(); }

    // The bus words served since creation or the last clearBusLog, as "W s c f d" /
    // "R s c f v" lines.
    std::vector<std::string> busLog() const;
    void clearBusLog();

private:
    struct LogLines {
        mutable std::mutex mutex;
        std::vector<std::string> lines;
    };

    static Simulator buildOrThrow(const std::vector<Rack>& racks);
    void onPlug(Adapter& adapter, bool plugged);

    InProcessMachine m_machine;
    Simulator m_simulator;
    SimulatedPorts m_ports;
    std::shared_ptr<LogLines> m_log;
};

} // namespace kw::sim
