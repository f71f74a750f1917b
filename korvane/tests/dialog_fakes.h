#pragma once

// Doubles around the main dialog's logic: a repetition timer the test ticks by hand, a view
// that records what the model asked of it, USB860 adapters with device paths, and a finder
// whose clock moves only by its pauses.

#include "korvane/tool/korvane_dialog_model.h"

#include "fake_bus.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

class FakeTimer : public RepetitionTimer {
public:
    bool start(unsigned periodMs, TickKind kind) override {
        if (periodMs == 0) {
            m_running = false;
            return false;
        }
        starts.emplace_back(periodMs, kind);
        m_running = true;
        return true;
    }
    void stop() override {
        if (m_running) {
            ++stops;
        }
        m_running = false;
    }
    bool isRunning() const override { return m_running; }
    unsigned minPeriodMs() const override { return minPeriod; }

    unsigned minPeriod = 1;
    std::vector<std::pair<unsigned, TickKind>> starts;
    int stops = 0;

private:
    bool m_running = false;
};

class FakeDialogView : public KorvaneDialogView {
public:
    void controlsChanged() override { ++controlUpdates; }
    void interfacesChanged() override { ++interfaceUpdates; }
    void sequenceTitleChanged() override {}
    void refuseEntry(DialogField field, const std::string& message) override {
        refusals.emplace_back(field, message);
        if (whileBoxOpen) {
            whileBoxOpen();
        }
    }
    void showWarning(const std::string& text) override {
        warnings.push_back(text);
        if (whileBoxOpen) {
            whileBoxOpen();
        }
    }
    void setWaitCursor(bool on) override { cursor.push_back(on); }

    int controlUpdates = 0;
    int interfaceUpdates = 0;
    std::vector<std::pair<DialogField, std::string>> refusals;
    std::vector<std::string> warnings;
    std::vector<bool> cursor;
    // Runs while a modal box stands, as the event loop of a real box would dispatch requests.
    std::function<void()> whileBoxOpen;
};

// An INT900-like interface: no system address, card addresses to 255, 16-bit data.
class WideBus : public FakeBus {
public:
    using FakeBus::FakeBus;
    int maxSystemAddress() const override { return 0; }
    int maxCardAddress() const override { return 255; }
    int maxFunctionAddress() const override { return 63; }
    int maxData() const override { return 65535; }
};

// A USB860 adapter (or its 16-bit twin) named by its device path.
class FakeAdapter : public FakeBus {
public:
    FakeAdapter(std::string name, std::string path, bool decoder = false, bool listed = true)
        : FakeBus(std::move(name), listed), m_path(std::move(path)), m_decoder(decoder) {}
    std::string deviceName() override { return m_path; }
    bool isDecoder() const override { return m_decoder; }
    bool canSelfTest() override { return selfTestEnabled; }
    void enableSelfTest() override { selfTestEnabled = true; }
    void runSelfTest() override {
        ++selfTests;
        if (duringSelfTest) {
            duringSelfTest();
        }
    }

    bool selfTestEnabled = false;
    int selfTests = 0;
    std::function<void()> duringSelfTest;

private:
    std::string m_path;
    bool m_decoder;
};

class FakeFinder : public UsbAdapterFinder {
public:
    std::unique_ptr<CInterface> findAdapter(const std::string& path) override {
        ++enumerations;
        if (duringSearch) {
            duringSearch();
        }
        if (enumerations <= appearsAfter) {
            return nullptr;
        }
        const auto found = present.find(path);
        if (found == present.end()) {
            return nullptr;
        }
        return std::make_unique<FakeAdapter>(found->second.name, path, false, found->second.listed);
    }
    std::unique_ptr<CInterface> makeDecoderTwin(CInterface& adapter) override {
        const auto found = present.find(adapter.deviceName());
        if (found == present.end() || !found->second.ulm860) {
            return nullptr;
        }
        return std::make_unique<FakeAdapter>("Ulm860 (16 Bit)", adapter.deviceName(), true);
    }
    void sleepMs(int ms) override { now += ms; }
    std::int64_t nowMs() override { return now; }

    struct Device {
        std::string name;
        bool ulm860 = false;
        bool listed = true;
    };
    std::map<std::string, Device> present;
    int appearsAfter = 0;               // enumerations that do not see the device yet
    std::function<void()> duringSearch; // what comes in while the adapters are enumerated
    int enumerations = 0;
    std::int64_t now = 0;
};

} // namespace korvane
