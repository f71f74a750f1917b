#pragma once

// A bus interface without hardware for tests: records every bus word and answers reads from
// what was written to the same address (or from preset values).

#include "korvane/interfaces/byte_bus_ranges.h"

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace korvane {

class FakeBus : public ByteBusRanges<> {
public:
    explicit FakeBus(std::string name = "Fake", bool listed = true, bool usable = true)
        : m_name(std::move(name)), m_listed(listed), m_usable(usable) {}

    std::string displayName() override { return m_name; }
    bool isUsable() const override { return m_usable; }
    bool isListed() override { return m_listed; }

    void busWrite(int s, int c, int f, int d) override {
        record("W " + std::to_string(s) + " " + std::to_string(c) + " " + std::to_string(f) + " " +
               std::to_string(d));
        memory[{s, c, f}] = d;
    }
    int busRead(int s, int c, int f) override {
        const auto found = memory.find({s, c, f});
        const int value = found == memory.end() ? 0 : found->second;
        record("R " + std::to_string(s) + " " + std::to_string(c) + " " + std::to_string(f) + " " +
               std::to_string(value));
        return value;
    }


    bool matchesSelection(int kind, const std::string& text) const override {
        return kind == selectionKind && (text.empty() || text == selectionText);
    }

    std::vector<std::string> log;
    // Also receives every entry, so that a test can look after the bus is gone.
    std::vector<std::string>* externalLog = nullptr;
    std::map<std::tuple<int, int, int>, int> memory;
    int selectionKind = -1;
    std::string selectionText;

private:
    void record(const std::string& entry) {
        log.push_back(entry);
        if (externalLog) {
            externalLog->push_back(entry);
        }
    }

    std::string m_name;
    bool m_listed;
    bool m_usable;
};

} // namespace korvane
