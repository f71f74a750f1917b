#pragma once

// The adapters of a set of racks, one adapter per rack, in rack order. Shared by the
// in-process simulator and the socket server of testsystem-sim.

#include "sim/adapter.h"
#include "sim/bus_log.h"
#include "sim/rack.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kw::sim {

class Simulator {
public:
    // Builds the adapters. A USB860 rack without serial number gets its position (1, 2, ...);
    // driver devices are numbered per kind in rack order. nullopt with a German message when
    // two USB860 adapters share a serial number or two PC cards share ports.
    static std::optional<Simulator> build(const std::vector<Rack>& racks, std::string* error);

    std::size_t size() const { return m_adapters.size(); }
    Adapter& adapter(std::size_t index) { return *m_adapters.at(index); }
    const std::shared_ptr<Adapter>& sharedAdapter(std::size_t index) const {
        return m_adapters.at(index);
    }

    // The adapter a user names: the USB serial number, the device file name, or the position
    // (1, 2, ...) among the racks. nullptr when none fits.
    Adapter* find(const std::string& name);

    // Every adapter records its bus words in this log.
    void setLog(const BusLog& log);

private:
    std::vector<std::shared_ptr<Adapter>> m_adapters;
};

} // namespace kw::sim
