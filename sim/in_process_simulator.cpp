#include "sim/in_process_simulator.h"

#include <stdexcept>

namespace kw::sim {

namespace {

Rack parseOrThrow(const std::vector<std::string>& lines) {
    RackParse parse = parseRack(lines);
    if (!parse.rack) {
        throw std::invalid_argument(parse.error);
    }
    return std::move(*parse.rack);
}

} // namespace

Simulator InProcessSimulator::buildOrThrow(const std::vector<Rack>& racks) {
    std::string error;
    auto simulator = Simulator::build(racks, &error);
    if (!simulator) {
        throw std::invalid_argument(error);
    }
    return std::move(*simulator);
}

InProcessSimulator::InProcessSimulator(const std::vector<Rack>& racks)
    : m_simulator(buildOrThrow(racks)), m_ports(m_simulator), m_log(std::make_shared<LogLines>()) {
    m_simulator.setLog(BusLog([log = m_log](const std::string& line) {
        const std::lock_guard lock(log->mutex);
        log->lines.push_back(line);
    }));
    for (std::size_t i = 0; i < m_simulator.size(); ++i) {
        Adapter& adapter = m_simulator.adapter(i);
        adapter.setPlugListener([this](Adapter& a, bool plugged) { onPlug(a, plugged); });
        publishInProcessDevice(m_simulator.sharedAdapter(i));
    }
    setSimulatedPorts(&m_ports);
}

InProcessSimulator::InProcessSimulator(std::initializer_list<std::string> rackLines)
    : InProcessSimulator(std::vector<Rack>{parseOrThrow(rackLines)}) {}

InProcessSimulator::~InProcessSimulator() {
    setSimulatedPorts(nullptr);
    for (std::size_t i = 0; i < m_simulator.size(); ++i) {
        Adapter& adapter = m_simulator.adapter(i);
        adapter.setPlugListener(nullptr);
        withdrawInProcessDevice(adapter);
        // Handles a test still holds must not reach a simulator that is gone.
        adapter.unplug();
    }
}

void InProcessSimulator::onPlug(Adapter& adapter, bool plugged) {
    for (std::size_t i = 0; i < m_simulator.size(); ++i) {
        if (&m_simulator.adapter(i) != &adapter) {
            continue;
        }
        if (plugged) {
            publishInProcessDevice(m_simulator.sharedAdapter(i));
        } else {
            withdrawInProcessDevice(adapter);
        }
    }
}

std::string InProcessSimulator::devicePath(std::size_t index) const {
    return std::string(kInProcessDirectory) + "/" + m_simulator.sharedAdapter(index)->fileName();
}

std::vector<std::string> InProcessSimulator::busLog() const {
    const std::lock_guard lock(m_log->mutex);
    return m_log->lines;
}

void InProcessSimulator::clearBusLog() {
    const std::lock_guard lock(m_log->mutex);
    m_log->lines.clear();
}

} // namespace kw::sim
