#include "tarvik/modules/value_slot.h"

#include "tarvik/modules/module_text.h"

#include "common/text/find_byte.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>

namespace tarvik {

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

// Index of the next `c` at or after `from`; npos when there is none.
std::size_t indexOf(const std::string& line, char c, std::size_t from) {
    if (from >= line.size()) {
        return std::string::npos;
    }
    const char* found = kw::findByte(line.data() + from, line.size() - from, c);
    return found == nullptr ? std::string::npos : static_cast<std::size_t>(found - line.data());
}

// Next occurrence of a token text ("{" + at least four more characters) at or after `from`.
// The second character is compared before the whole text, so that the other tokens of a
// line cost no comparison call.
std::size_t findToken(const std::string& line, std::string_view token, std::size_t from) {
    for (std::size_t i = indexOf(line, '{', from);
         i != std::string::npos && line.size() - i >= token.size(); i = indexOf(line, '{', i + 1)) {
        if (line[i + 1] == token[1] &&
            std::memcmp(line.data() + i, token.data(), token.size()) == 0) {
            return i;
        }
    }
    return std::string::npos;
}

// Removes every occurrence of `token` from the line in place; returns how many bytes were
// removed before index `at`, so that the caller can continue with the text that followed.
std::size_t removeTokenBefore(std::string& line, const std::string& token, std::size_t at) {
    std::size_t removedBefore = 0;
    std::size_t write = 0;
    std::size_t read = 0;
    for (std::size_t found = findToken(line, token, 0); found != std::string::npos;
         found = findToken(line, token, read)) {
        std::memmove(line.data() + write, line.data() + read, found - read);
        write += found - read;
        read = found + token.size();
        if (found < at) {
            removedBefore += token.size();
        }
    }
    const std::size_t rest = line.size() - read;
    std::memmove(line.data() + write, line.data() + read, rest);
    line.resize(write + rest);
    return removedBefore;
}

// Cheap test before the full parse: a token of this name begins with "{", the name and "("
// (or "=" for the form without param).
bool mayBeNamed(std::string_view token, std::string_view name, bool withParam) {
    return token.size() > name.size() + 1 && token[1] == name[0] &&
           token[name.size() + 1] == (withParam ? '(' : '=') &&
           std::memcmp(token.data() + 1, name.data(), name.size()) == 0;
}

// Whether some "{" of the line is followed by the name and "(" (or "=" for the form without
// param): every token the scan below takes or removes begins so, and most lines hold none.
bool holdsNamedOpening(const std::string& line, std::string_view name, bool withParam) {
    const char after = withParam ? '(' : '=';
    const std::size_t length = name.size() + 2;
    for (std::size_t i = indexOf(line, '{', 0);
         i != std::string::npos && line.size() - i >= length; i = indexOf(line, '{', i + 1)) {
        if (line[i + 1] == name[0] && line[i + length - 1] == after &&
            std::memcmp(line.data() + i + 1, name.data(), name.size()) == 0) {
            return true;
        }
    }
    return false;
}

// The scan below for the usual line, whose braces do not nest: no "{" lies between another
// "{" and the "}" after it. Then the scan visits every "{", the texts it removes are exactly
// the tokens so visited, and a removed token takes every later token of the same text with
// it; so one read-only pass finds the values and the tokens, and one pass removes them. Taking
// a token out of such a line cannot make a new token appear, so the requests are served in one
// pass as their calls one after the other would serve them. False, with the line and slots
// untouched, for a line with nested braces or too many tokens to remove.
bool parsePlainLine(std::string& line, std::span<const ValueTokenRequest> requests, bool& stored) {
    constexpr std::size_t kMaxRemoved = 16;
    constexpr std::size_t kMaxRequests = 8;
    struct Range {
        std::size_t begin;
        std::size_t end;
    };
    Range removed[kMaxRemoved];
    std::size_t removedCount = 0;
    std::string_view values[kMaxRequests];
    bool found[kMaxRequests] = {};
    if (requests.size() > kMaxRequests) {
        return false;
    }
    const std::string_view text(line);
    for (std::size_t open = indexOf(line, '{', 0); open != std::string::npos;) {
        std::size_t close = open + 1;
        while (close < text.size() && text[close] != '}' && text[close] != '{') {
            ++close;
        }
        if (close == text.size()) {
            break; // a "{" without a "}" after it ends the scan
        }
        if (text[close] == '{') {
            return false;
        }
        const std::string_view token = text.substr(open, close - open + 1);
        for (std::size_t r = 0; close > open + 3 && r < requests.size(); ++r) {
            const ValueTokenRequest& request = requests[r];
            const bool withParam = !request.param.empty();
            const auto parts = mayBeNamed(token, request.name, withParam)
                                   ? splitToken(token, withParam)
                                   : std::nullopt;
            if (!parts || parts->name != request.name) {
                continue;
            }
            bool gone = false;
            for (std::size_t k = 0; k < removedCount && !gone; ++k) {
                gone = text.substr(removed[k].begin, removed[k].end - removed[k].begin) == token;
            }
            if (removedCount == kMaxRemoved) {
                return false;
            }
            removed[removedCount++] = {open, close + 1};
            if (!gone && (!withParam || parts->param == request.param)) {
                values[r] = parts->value;
                found[r] = true;
            }
            break; // a token has one name and form: no later request takes it
        }
        open = indexOf(line, '{', close + 1);
    }
    stored = false;
    for (std::size_t r = 0; r < requests.size(); ++r) {
        if (found[r]) {
            requests[r].slot->found = true;
            requests[r].slot->value.assign(values[r]);
            stored = true;
        }
    }
    std::size_t write = removedCount > 0 ? removed[0].begin : line.size();
    for (std::size_t r = 0; r < removedCount; ++r) {
        const std::size_t from = removed[r].end;
        const std::size_t to = r + 1 < removedCount ? removed[r + 1].begin : line.size();
        std::memmove(line.data() + write, line.data() + from, to - from);
        write += to - from;
    }
    line.resize(write);
    return true;
}

// One request the slow way, for lines with nested braces: each token found is removed with
// every other occurrence of its text before the scan goes on.
bool parseNestedLine(ValueSlot& slot, std::string& line, std::string_view name,
                     std::string_view param) {
    const bool withParam = !param.empty();
    bool stored = false;
    std::size_t open = indexOf(line, '{', 0);
    while (open != std::string::npos) {
        const std::size_t close = indexOf(line, '}', open + 1);
        if (close == std::string::npos) {
            break;
        }
        if (close <= open + 3) {
            open = indexOf(line, '{', close + 1);
            continue;
        }
        const std::string_view token(line.data() + open, close - open + 1);
        const auto parts =
            mayBeNamed(token, name, withParam) ? splitToken(token, withParam) : std::nullopt;
        if (!parts || parts->name != name) {
            open = indexOf(line, '{', close + 1);
            continue;
        }
        if (!withParam || parts->param == param) {
            slot.found = true;
            slot.value.assign(parts->value);
            stored = true;
        }
        // The token is taken, or it holds the value for another param: either way it goes.
        const std::string tokenText(token);
        const std::size_t next = open - removeTokenBefore(line, tokenText, open);
        open = indexOf(line, '{', next);
    }
    return stored;
}

} // namespace

bool ParseValueToken(ValueSlot& slot, std::string& line, std::string_view name,
                     std::string_view param) {
    const ValueTokenRequest request{&slot, name, param};
    return ParseValueTokens(line, std::span<const ValueTokenRequest>(&request, 1));
}

bool ParseValueTokens(std::string& line, std::span<const ValueTokenRequest> requests) {
    // The scan of a line that may hold tokens is its own test for tokens of the names, as most
    // data lines hold none.
    if (!mayHoldValueTokens(line)) {
        return false;
    }
    ValueTokenRequest named[8];
    std::size_t count = 0;
    for (const ValueTokenRequest& request : requests) {
        if (!request.name.empty() && count < std::size(named)) {
            named[count++] = request;
        }
    }
    bool stored = false;
    if (count == requests.size() &&
        parsePlainLine(line, std::span<const ValueTokenRequest>(named, count), stored)) {
        return stored;
    }
    // Nested braces, many tokens or many names: one name after the other.
    for (const ValueTokenRequest& request : requests) {
        if (!request.name.empty() &&
            holdsNamedOpening(line, request.name, !request.param.empty())) {
            stored = parseNestedLine(*request.slot, line, request.name, request.param) || stored;
        }
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
        replacement = std::string(trimmed(std::string_view(replacement).substr(1)));
    }
    const std::string token = line.substr(begin, close - begin + 1);
    replaceAll(line, token, replacement);
}

void AssignStatement(std::string& line, std::string_view prefix, const std::string& value) {
    line.replace(prefix.size(), std::string::npos, value);
}

std::string valueOrTemplateText(const ValueSlot& slot, std::string_view line, std::size_t from) {
    const std::string_view text =
        slot.found ? std::string_view(slot.value) : line.substr(std::min(from, line.size()));
    return std::string(trimmed(text));
}

} // namespace tarvik
