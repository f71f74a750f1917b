#include "tarvik/modules/module_text.h"

#include "common/text/find_byte.h"

#include <climits>
#include <cstring>

namespace tarvik {

namespace {

// Index of the first `from` in `text` at or after `start` (npos when there is none; `from` is
// not empty). Module lines are short and the texts looked for are markers of a few bytes: the
// first byte is found with findByte and the rest compared in place, which costs less than the
// library's set-up for each call.
std::size_t findText(std::string_view text, std::string_view from, std::size_t start) {
    const std::size_t length = from.size();
    while (start < text.size() && text.size() - start >= length) {
        const char* hit = kw::findByte(text.data() + start, text.size() - start - length + 1, from[0]);
        if (hit == nullptr) {
            return std::string::npos;
        }
        std::size_t i = 1;
        while (i < length && hit[i] == from[i]) {
            ++i;
        }
        const auto found = static_cast<std::size_t>(hit - text.data());
        if (i == length) {
            return found;
        }
        start = found + 1;
    }
    return std::string::npos;
}

// Replacement that does not grow the text, done in place: no allocation.
int replaceShrinking(std::string& text, std::string_view from, std::string_view to,
                     std::size_t found) {
    std::size_t write = 0;
    std::size_t read = 0;
    int count = 0;
    // The part not yet searched lies behind `read` and is never overwritten: write <= read.
    for (; found != std::string::npos; found = findText(text, from, read)) {
        std::memmove(text.data() + write, text.data() + read, found - read);
        write += found - read;
        // An empty replacement may have no storage at all: memmove must not see its null.
        if (!to.empty()) {
            std::memmove(text.data() + write, to.data(), to.size());
        }
        write += to.size();
        read = found + from.size();
        ++count;
    }
    const std::size_t rest = text.size() - read;
    std::memmove(text.data() + write, text.data() + read, rest);
    text.resize(write + rest);
    return count;
}

} // namespace

int replaceAll(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return 0;
    }
    std::size_t found = findText(text, from, 0);
    if (found == std::string::npos) {
        return 0;
    }
    if (to.size() <= from.size()) {
        return replaceShrinking(text, from, to, found);
    }
    std::string result;
    result.reserve(text.size() + to.size() - from.size());
    std::size_t start = 0;
    int count = 0;
    while (found != std::string::npos) {
        result.append(text, start, found - start);
        result.append(to);
        start = found + from.size();
        ++count;
        found = findText(text, from, start);
    }
    result.append(text, start, std::string::npos);
    text.swap(result);
    return count;
}

int leadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value <= INT_MAX) {
            value = value * 10 + (text[i] - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    return static_cast<int>(value > INT_MAX ? INT_MAX : (value < INT_MIN ? INT_MIN : value));
}

bool startsWithDigit(std::string_view text) {
    return !text.empty() && text.front() >= '0' && text.front() <= '9';
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

} // namespace tarvik
