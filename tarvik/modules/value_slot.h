#pragma once

// Values that a module template carries in braces and the two ways handlers use them:
//
//   value tokens    {NAME(param)=value} or {NAME=value}, for example {SW(860)=5.0}. NAME is
//                   1 to 19 letters, param 1 to 19 characters other than ")", value at least
//                   one character other than "}". ParseValueToken takes the value of a token
//                   whose name (and param) match into a ValueSlot and removes the token.
//   default tokens  an opening text such as "{sw," followed by a default text and "}", for
//                   example "{sw,3.3}". ReplaceValueToken puts the slot's value, or else the
//                   default text, in its place.

#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace tarvik {

// One value collected from a template step; found stays false until a token gave a value.
struct ValueSlot {
    bool found = false;
    std::string value;

    void clear() {
        found = false;
        value.clear();
    }
};

// Scans the line from the left for tokens named `name`:
// - with a non-empty `param`, a token {name(param)=value} stores its value in the slot; a
//   token {name(other)=value} is removed without storing (a value for another system type);
// - with an empty `param`, a token {name=value} stores its value.
// Every occurrence of a token that was taken or rejected is removed from the line, and the
// scan goes on with the text that followed it, so a later token of the same name overwrites
// an earlier one. Tokens of other names, and braces that form no token, stay as they are; a
// "{" without a "}" after it ends the scan. Returns whether a value was stored.
bool ParseValueToken(ValueSlot& slot, std::string& line, std::string_view name,
                     std::string_view param);

// Whether the line may hold a value token at all: every token has a "{" and an "=". A line
// without either is left as it is by the parse, whatever it is asked for.
inline bool mayHoldValueTokens(std::string_view line) {
    return line.find('{') != std::string_view::npos && line.find('=') != std::string_view::npos;
}

// One token name a line is parsed for: where its value goes, its name and its param.
struct ValueTokenRequest {
    ValueSlot* slot;
    std::string_view name;
    std::string_view param;
};

// ParseValueToken for each request in turn, with the same result, in one scan of the line
// when its braces do not nest (a data line is parsed for up to six names). Returns whether
// any value was stored.
bool ParseValueTokens(std::string& line, std::span<const ValueTokenRequest> requests);

// Replaces the first default token that starts with `key` (for example "{sw,"), and every
// other occurrence of exactly the same token text, by the slot's value when found, else by
// the token's default text. A replacement beginning with "-" loses that sign and is trimmed
// of surrounding blanks, so "{sw,-}" with an empty slot disappears. A key without a "}" after
// it leaves the line unchanged.
void ReplaceValueToken(const ValueSlot& slot, std::string& line, std::string_view key);

// Makes a line that begins with `prefix` prefix + value: only what follows the prefix is
// replaced (the slow part of ReplaceStatement, which has tested the prefix).
void AssignStatement(std::string& line, std::string_view prefix, const std::string& value);

// When the line begins with `prefix` (a statement keyword with its blank, "  VALUE ") and the
// slot holds a value, the line becomes prefix + value. Returns whether it did. Inline: it runs
// for every body line, and with a literal prefix the test compiles to a few compares.
inline bool ReplaceStatement(std::string& line, std::string_view prefix, const ValueSlot& slot) {
    if (!slot.found || line.size() < prefix.size() ||
        std::memcmp(line.data(), prefix.data(), prefix.size()) != 0) {
        return false;
    }
    AssignStatement(line, prefix, slot.value);
    return true;
}

// The text a statement gets: the slot's value when found, else the template's own text of the
// line from index `from` on (empty when the line is shorter); trimmed of blanks either way.
std::string valueOrTemplateText(const ValueSlot& slot, std::string_view line, std::size_t from);

} // namespace tarvik
