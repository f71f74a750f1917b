#include "korvane/tool/action.h"

#include "korvane/interfaces/interface.h"
#include "korvane/interfaces/text_format.h"

#include <chrono>
#include <thread>

namespace korvane {

namespace {

// Walks a line the way the C library's string functions do: the line ends at its end or at
// a NUL byte, and reading past the end gives NUL.
class LineReader {
public:
    explicit LineReader(std::string_view line) : m_line(line.substr(0, line.find('\0'))) {}

    char peek() const { return m_pos < m_line.size() ? m_line[m_pos] : '\0'; }
    void skip() { ++m_pos; }

    // A decimal number read like strtol; without digits nothing is consumed.
    std::int32_t readNumber() {
        std::size_t consumed = 0;
        const std::int32_t value = parseDecimal(rest(), consumed);
        m_pos += consumed;
        return value;
    }

    // Reads a number that must be followed by a comma, and skips the comma.
    bool readNumberAndComma(std::int32_t& value) {
        value = readNumber();
        if (peek() != ',') {
            return false;
        }
        skip();
        return true;
    }

    void skipBlanks() {
        while (m_pos < m_line.size() && isCBlank(m_line[m_pos])) {
            ++m_pos;
        }
    }

    std::string_view rest() const { return m_line.substr(std::min(m_pos, m_line.size())); }

private:
    std::string_view m_line;
    std::size_t m_pos = 0;
};

// A name is the rest of its line, so a line feed inside it would split the action in two
// when the file is read again; it is written as a blank instead.
std::string singleLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n') {
            c = ' ';
        }
    }
    return line;
}

} // namespace

void CAction::setSend(int systemAddress, int cardAddress, int functionAddress, int data, int delay,
                      std::optional<std::string> text) {
    m_systemAddress = systemAddress;
    m_cardAddress = cardAddress;
    m_functionAddress = functionAddress;
    m_data = data;
    m_delay = delay;
    if (text) {
        m_text = std::move(*text);
    }
}

void CAction::setReceive(int systemAddress, int cardAddress, int functionAddress, int delay,
                         std::optional<std::string> text) {
    setSend(systemAddress, cardAddress, functionAddress, -1, delay, std::move(text));
}

std::string CAction::toText() const {
    const std::string data = isReceive() ? std::string("?") : std::to_string(m_data);
    return std::to_string(m_systemAddress) + "," + std::to_string(m_cardAddress) + "," +
           std::to_string(m_functionAddress) + "," + data + "," + std::to_string(m_delay) + "; " +
           singleLine(m_text);
}

bool CAction::parse(std::string_view line) {
    LineReader reader(line);
    std::int32_t systemAddress = 0;
    std::int32_t cardAddress = 0;
    std::int32_t functionAddress = 0;
    if (!reader.readNumberAndComma(systemAddress) || !reader.readNumberAndComma(cardAddress) ||
        !reader.readNumberAndComma(functionAddress)) {
        return false;
    }
    std::int32_t data = 0;
    if (reader.peek() == '?') {
        data = -1;
        reader.skip();
    } else {
        data = reader.readNumber();
    }
    if (reader.peek() != ',') {
        return false;
    }
    reader.skip();
    const std::int32_t delay = reader.readNumber();
    std::string text;
    if (reader.peek() == ';') {
        reader.skip();
        reader.skipBlanks();
        text = std::string(reader.rest());
    }
    setSend(systemAddress, cardAddress, functionAddress, data, delay, std::move(text));
    return true;
}

void CAction::execute(CInterface* bus) {
    if (bus == nullptr) {
        return;
    }
    if (isSend()) {
        bus->busWrite(m_systemAddress, m_cardAddress, m_functionAddress, m_data);
    } else {
        m_result = bus->busRead(m_systemAddress, m_cardAddress, m_functionAddress);
    }
    // A negative pause (only a hand-edited file has one) is no pause: read as an unsigned
    // count of milliseconds it would stop the tool for weeks.
    if (m_delay > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_delay));
    }
}

} // namespace korvane
