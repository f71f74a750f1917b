#include "golden_input.h"

#include <sstream>

namespace tarvik {

GoldenInput GoldenInput::parse(const std::string& text) {
    GoldenInput input;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        Entry entry;
        if (!(words >> entry.key) || entry.key.starts_with("#")) {
            continue;
        }
        for (std::string word; words >> word;) {
            entry.args.push_back(word);
        }
        input.m_entries.push_back(std::move(entry));
    }
    return input;
}

std::vector<const GoldenInput::Entry*> GoldenInput::all(const std::string& key) const {
    m_read.insert(key);
    std::vector<const Entry*> found;
    for (const auto& entry : m_entries) {
        if (entry.key == key) {
            found.push_back(&entry);
        }
    }
    return found;
}

int GoldenInput::number(const std::string& key, int fallback) const {
    const auto found = all(key);
    return found.empty() || found.front()->args.empty() ? fallback
                                                        : std::stoi(found.front()->args.front());
}

bool GoldenInput::flag(const std::string& key) const {
    const auto found = all(key);
    if (found.empty()) {
        return false;
    }
    const auto& args = found.front()->args;
    return args.empty() || args.front() == "1" || args.front() == "yes" || args.front() == "true";
}

std::string GoldenInput::text(const std::string& key) const {
    const auto found = all(key);
    std::string joined;
    if (!found.empty()) {
        for (const auto& arg : found.front()->args) {
            joined += (joined.empty() ? "" : " ") + arg;
        }
    }
    return joined;
}

std::vector<std::string> GoldenInput::unreadKeys() const {
    std::vector<std::string> unread;
    for (const auto& entry : m_entries) {
        if (!m_read.count(entry.key)) {
            unread.push_back(entry.key);
        }
    }
    return unread;
}

} // namespace tarvik
