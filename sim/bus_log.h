#pragma once

// The record of every bus word the simulator serves, one line each, in order:
//   "W sys card func data"  or  "R sys card func value"   (decimal)
// For users debugging their sequences and for tests that check what reached the bus.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace kw::sim {

class BusLog {
public:
    using Sink = std::function<void(const std::string& line)>;

    BusLog() = default;
    explicit BusLog(Sink sink) : m_sink(std::move(sink)) {}

    // A log that appends to a file, flushed after every line; isOpen() tells whether it opened.
    static BusLog toFile(const std::string& path);

    bool isOpen() const { return static_cast<bool>(m_sink); }

    void write(int system, int card, int function, std::uint16_t data) const;
    void read(int system, int card, int function, std::uint16_t value) const;

private:
    void line(char kind, int system, int card, int function, unsigned value) const;

    Sink m_sink;
};

} // namespace kw::sim
