#pragma once

// Interfaces against the in-process simulator: racks given as the lines of rack files, the
// interfaces built with a recording user and recording windows, and private bus mutexes, so
// that a test never blocks the other programs of the machine.

#include "korvane/interfaces/interface_list.h"

#include "common/sync/named_mutex.h"
#include "recording_windows.h"
#include "sim/in_process_simulator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace korvane {

class SimulatedRackTest : public ::testing::Test {
protected:
    SimulatedRackTest()
        : guard(user), int41Mutex(privateName("Int41")), usbMutex(privateName("Usb")),
          context(guard, windows, BusMutexes{int41Mutex, usbMutex}) {}
    ~SimulatedRackTest() override {
        kw::NamedMutex::removeTestName(privateName("Int41"));
        kw::NamedMutex::removeTestName(privateName("Usb"));
    }

    // One adapter per rack, each rack given by its lines.
    void start(const std::vector<std::vector<std::string>>& racks) {
        std::vector<kw::sim::Rack> parsed;
        for (const auto& lines : racks) {
            auto result = kw::sim::parseRack(lines);
            ASSERT_TRUE(result.rack) << result.error;
            parsed.push_back(*result.rack);
        }
        sim = std::make_unique<kw::sim::InProcessSimulator>(parsed);
    }

    InterfaceList build(bool ctrlAtStart = false) {
        return buildInterfaceList(context, ctrlAtStart);
    }

    static std::vector<std::string> names(const InterfaceList& list) {
        std::vector<std::string> result;
        for (const auto& entry : list.shown) {
            result.push_back(entry->displayName());
        }
        return result;
    }

    static std::string privateName(const std::string& kind) {
        return "KorvaneTest" + kind + std::to_string(::getpid());
    }

    RecordingUser user;
    MessageGuard guard;
    RecordingWindowFactory windows;
    kw::NamedMutex int41Mutex;
    kw::NamedMutex usbMutex;
    InterfaceContext context;
    std::unique_ptr<kw::sim::InProcessSimulator> sim;
};

} // namespace korvane
