#pragma once

// What the benchmarks that run korvane against testsystem-sim set up alike: private folders
// for the devices and the files, and no direct port access.

#include "sim/testing/sim_process.h"

#include <cstdio>

namespace bench {

struct SimFolders {
    kw::sim::testkit::TempDirectory devices;
    kw::sim::testkit::TempDirectory files;
    kw::sim::testkit::ScopedEnvironment directory{"KONTROLLWERK_DEVICE_DIR",
                                                  devices.path().string()};
    kw::sim::testkit::ScopedEnvironment noPorts{"KONTROLLWERK_PORT_IO", ""};
};

// Whether the simulator is up (and, with needDevices, has published a device); if not, says
// so on stderr under the benchmark's name.
inline bool simulatorUp(const kw::sim::testkit::SimulatorProcess& sim, const char* name,
                        bool needDevices) {
    if (sim.ready() && (!needDevices || !sim.devicePaths().empty())) {
        return true;
    }
    std::fprintf(stderr, "%s: testsystem-sim startet nicht: %s\n", name, sim.errorText().c_str());
    return false;
}

} // namespace bench
