#include "sim/bus_log.h"

#include <memory>

namespace kw::sim {

BusLog BusLog::toFile(const std::string& path) {
    std::shared_ptr<std::FILE> file(std::fopen(path.c_str(), "a"), [](std::FILE* f) {
        if (f) {
            std::fclose(f);
        }
    });
    if (!file) {
        return BusLog();
    }
    return BusLog([file](const std::string& text) {
        std::fputs(text.c_str(), file.get());
        std::fputc('\n', file.get());
        std::fflush(file.get()); // a user tailing the file sees each word at once
    });
}

void BusLog::write(int system, int card, int function, std::uint16_t data) const {
    line('W', system, card, function, data);
}

void BusLog::read(int system, int card, int function, std::uint16_t value) const {
    line('R', system, card, function, value);
}

void BusLog::line(char kind, int system, int card, int function, unsigned value) const {
    if (!m_sink) {
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%c %d %d %d %u", kind, system, card, function, value);
    m_sink(text);
}

} // namespace kw::sim
