#include "sim/simulator.h"

#include "sim/int41_adapter.h"
#include "sim/int900_adapter.h"
#include "sim/usb860_adapter.h"

#include <cstdio>
#include <set>

namespace kw::sim {

namespace {

std::string hex(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

} // namespace

std::optional<Simulator> Simulator::build(const std::vector<Rack>& racks, std::string* error) {
    Simulator simulator;
    std::set<std::string> serials;
    std::vector<std::pair<int, int>> portRanges;
    int int41Count = 0;
    int int900Count = 0;
    for (std::size_t i = 0; i < racks.size(); ++i) {
        const Rack& rack = racks[i];
        AdapterSpec setup = rack.adapter.value_or(AdapterSpec{});
        std::shared_ptr<Adapter> adapter;
        switch (setup.type) {
        case AdapterType::Usb860:
            if (setup.serial.empty()) {
                setup.serial = std::to_string(i + 1);
            }
            if (!serials.insert(setup.serial).second) {
                *error = "Zwei USB860-Adapter mit der Seriennummer " + setup.serial;
                return std::nullopt;
            }
            adapter = std::make_shared<Usb860Adapter>(setup, rack);
            break;
        case AdapterType::Int41:
            adapter = std::make_shared<Int41Adapter>(setup, rack, int41Count++);
            break;
        case AdapterType::Int900:
            adapter = std::make_shared<Int900Adapter>(setup, rack, int900Count++);
            break;
        }
        if (const int base = adapter->portBase(); base != 0) {
            for (const auto& [other, end] : portRanges) {
                if (base < end && other < base + Adapter::kPortSpan) {
                    *error = "Zwei PC-Karten belegen die Ports ab " + hex(base);
                    return std::nullopt;
                }
            }
            portRanges.emplace_back(base, base + Adapter::kPortSpan);
        }
        simulator.m_adapters.push_back(std::move(adapter));
    }
    return simulator;
}

Adapter* Simulator::find(const std::string& name) {
    for (const auto& adapter : m_adapters) {
        const auto serial = devicePathField(adapter->fileName(), 2);
        if (adapter->fileName() == name ||
            (adapter->kind() == DeviceKind::Usb860 && serial == name)) {
            return adapter.get();
        }
    }
    // A position only when no serial number or file name is meant.
    for (std::size_t i = 0; i < m_adapters.size(); ++i) {
        if (std::to_string(i + 1) == name) {
            return m_adapters[i].get();
        }
    }
    return nullptr;
}

void Simulator::setLog(const BusLog& log) {
    for (const auto& adapter : m_adapters) {
        adapter->rack().setLog(log);
    }
}

} // namespace kw::sim
