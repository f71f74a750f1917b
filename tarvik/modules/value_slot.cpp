#include "tarvik/modules/value_slot.h"

#include "tarvik/modules/module_text.h"

#include <optional>

namespace {

constexpr std::size_t kMaxNameLength = 19;
constexpr std::size_t kMaxParamLength = 19;

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The parts of one token text "{...}" (the closing brace is its last character and the only
// one in it). Empty name means: the text is no value token of the asked form.
struct TokenParts {
    std::string_view name;
    std::string_view param;
    std::string_view value;
};

// Reads "{NAME(param)=value}" (withParam) or "{NAME=value}"; nothing unless every part is
// there. Name and param longer than 19 characters do not match (the next character is then
// not the expected "(" or ")").
std::optional<TokenParts> splitToken(std::string_view token, bool withParam) {
    TokenParts parts;
    std::size_t pos = 1;
    while (pos < token.size() && pos - 1 < kMaxNameLength && isLetter(token[pos])) {
        ++pos;
    }
    parts.name = token.substr(1, pos - 1);
    if (parts.name.empty()) {
        return std::nullopt;
    }
    if (withParam) {
        if (pos >= token.size() || token[pos] != '(') {
            return std::nullopt;
        }
        const std::size_t paramStart = ++pos;
        while (pos < token.size() && pos - paramStart < kMaxParamLength && token[pos] != ')') {
            ++pos;
        }
        parts.param = token.substr(paramStart, pos - paramStart);
        if (parts.param.empty() || pos >= token.size() || token[pos] != ')') {
            return std::nullopt;
        }
        ++pos;
    }
    if (pos >= token.size() || token[pos] != '=') {
        return std::nullopt;
    }
    ++pos;
    // The value runs up to the closing brace, the token's last character, and is not empty.
    if (pos + 1 >= token.size()) {
        return std::nullopt;
    }
    parts.value = token.substr(pos, token.size() - 1 - pos);
    return parts;
}

// Removes every occurrence of `token` from the line; returns how many bytes were removed
// before index `at`, so that the caller can continue with the text that followed.
std::size_t removeTokenBefore(std::string& line, const std::string& token, std::size_t at) {
    std::size_t removedBefore = 0;
    for (std::size_t found = line.find(token); found != std::string::npos && found < at;
         found = line.find(token, found + token.size())) {
        removedBefore += token.size();
    }
    kw::removeAll(line, token);
    return removedBefore;
}

} // namespace

bool ParseValueToken(ValueSlot& slot, std::string& line, std::string_view name,
                     std::string_view param) {
    const bool withParam = !param.empty();
    bool stored = false;
    std::size_t open = line.find('{');
    while (open != std::string::npos) {
        const std::size_t close = line.find('}', open + 1);
        if (close == std::string::npos) {
            break;
        }
        if (close <= open + 3) {
            open = line.find('{', close + 1);
            continue;
        }
        const std::string token = line.substr(open, close - open + 1);
        const auto parts = splitToken(token, withParam);
        if (!parts || parts->name != name) {
            open = line.find('{', close + 1);
            continue;
        }
        if (!withParam || parts->param == param) {
            slot.found = true;
            slot.value.assign(parts->value);
            stored = true;
        }
        // The token is taken, or it holds the value for another param: either way it goes.
        const std::size_t next = open - removeTokenBefore(line, token, open);
        open = line.find('{', next);
    }
    return stored;
}

void ReplaceValueToken(const ValueSlot& slot, std::string& line, std::string_view key) {
    if (key.empty()) {
        return;
    }
    const std::size_t begin = line.find(key);
    if (begin == std::string::npos) {
        return;
    }
    const std::size_t close = line.find('}', begin + key.size() - 1);
    if (close == std::string::npos) {
        return;
    }
    const std::size_t defaultStart = std::min(begin + key.size(), close);
    std::string replacement =
        slot.found ? slot.value : line.substr(defaultStart, close - defaultStart);
    if (!replacement.empty() && replacement.front() == '-') {
        replacement = std::string(kw::trimmed(std::string_view(replacement).substr(1)));
    }
    const std::string token = line.substr(begin, close - begin + 1);
    kw::replaceAll(line, token, replacement);
}

bool ReplaceStatement(std::string& line, std::string_view prefix, const ValueSlot& slot) {
    if (!slot.found || !line.starts_with(prefix)) {
        return false;
    }
    line.assign(prefix);
    line.append(slot.value);
    return true;
}
