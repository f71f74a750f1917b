#include "korvane/tool/action.h"

#include "korvane/interfaces/interface.h"

#include <chrono>
#include <limits>
#include <thread>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Walks a line the way the C library's string functions do: the line ends at its end or at
// a NUL byte, and reading past the end gives NUL.
class LineReader {
public:
    explicit LineReader(std::string_view line) : m_line(line.substr(0, line.find('\0'))) {}

    char peek() const { return m_pos < m_line.size() ? m_line[m_pos] : '\0'; }
    void skip() { ++m_pos; }

    // A decimal number read like strtol with base 10 (leading blanks and a sign accepted).
    // Without any digit nothing is consumed and the value is 0. Values beyond the 32-bit
    // range are clamped, as strtol does where long has 32 bits.
    std::int32_t readNumber() {
        std::size_t pos = m_pos;
        while (pos < m_line.size() && isBlank(m_line[pos])) {
            ++pos;
        }
        bool negative = false;
        if (pos < m_line.size() && (m_line[pos] == '+' || m_line[pos] == '-')) {
            negative = m_line[pos] == '-';
            ++pos;
        }
        if (pos >= m_line.size() || !isDigit(m_line[pos])) {
            return 0;
        }
        constexpr long long kLimit = 1LL << 31;
        long long magnitude = 0;
        for (; pos < m_line.size() && isDigit(m_line[pos]); ++pos) {
            if (magnitude <= kLimit) {
                magnitude = magnitude * 10 + (m_line[pos] - '0');
            }
        }
        m_pos = pos;
        const long long value = negative ? -magnitude : magnitude;
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return std::numeric_limits<std::int32_t>::max();
        }
        if (value < std::numeric_limits<std::int32_t>::min()) {
            return std::numeric_limits<std::int32_t>::min();
        }
        return static_cast<std::int32_t>(value);
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
        while (m_pos < m_line.size() && isBlank(m_line[m_pos])) {
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
