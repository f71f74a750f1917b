#pragma once

// Statement rewriting that several card generators share. Statements are body lines of the
// shape "  KEYWORD value" (two blanks, keyword, blank, value); the templates hold them for the
// first card of a family, and a generator moves them to the card being written.

#include "common/text/find_byte.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarvik {

// "  BUSMADDRESS<after>" and "  BUSSADDRESS<after>" (for example after " 176", or " " for
// any address, or "" for the bare keyword) become "  BUSMADDRESS <address>" and
// "  BUSSADDRESS <address>". Returns whether the line was one of them.
bool rewriteBusAddress(std::string& line, std::string_view after, int address);

// "<prefix>1", the line the template holds for the first card ("  VARIABLE _KVR_1"), becomes
// "<prefix><number>". Returns whether the line was that one.
bool rewriteVariable(std::string& line, std::string_view prefix, int number);

// A line beginning "  BUSSINITSTR {<templateValue>}" (the init string the template holds for
// the first group or channel) becomes "  BUSSINITSTR {<value>}". Returns whether it was one.
bool rewriteInitValue(std::string& line, std::string_view templateValue, int value);

// A line beginning with `keyword` becomes "<keyword><number> 1": the statement that switches
// one numbered channel or supply on ("  KVRCHANNEL25 1", "  NGON7 1"). Returns whether the
// line began with the keyword.
bool rewriteSwitchOn(std::string& line, std::string_view keyword, int number);

// The decimal number written directly after `keyword` at the start of the line ("  HIGH H"
// in "  HIGH H3 ..." gives 3); nothing when the line does not begin with the keyword or no
// digit follows it. Numbers beyond the int range are clamped.
std::optional<int> numberAfter(std::string_view line, std::string_view keyword);

// Where the digits after the keyword end (the keyword's length when there are none).
std::size_t endOfNumberAfter(std::string_view line, std::string_view keyword);

// A decimal number written in a line: where its digits begin and end, and its value.
struct NumberField {
    std::size_t begin = 0;
    std::size_t end = 0;
    int value = 0;
};

// The number written directly after the first `text` found in the line from `from` on (the
// step number of a fail-data line after "Schritt: "); nothing when the text is not found
// there or no digit follows it. Numbers beyond the int range are clamped.
std::optional<NumberField> numberAfterText(std::string_view line, std::string_view text,
                                           std::size_t from);

// Replaces everything from index `from` to the end of the line by `text` (not a part of the
// line) and the number, in place (the line keeps its storage): "  HIGH 12" from "  HIGH 1" and 12
// after 7 bytes.
void replaceTailWithNumber(std::string& line, std::size_t from, std::string_view text, int number);

// line[begin, end) becomes the decimal `value`; the text before and after it stays.
void replaceWithNumber(std::string& line, std::size_t begin, std::size_t end, int value);

// "<keyword><number> <text>" becomes "<keyword><newNumber> <text>": the number written
// directly after the keyword is replaced, and the text after it and one blank is kept.
void renumberStatement(std::string& line, std::string_view keyword, int newNumber);

// Replaces every occurrence of a text marker such as "{c}" by a number.
void replaceMarker(std::string& line, std::string_view marker, int value);

// A text marker of a data line and the number (or, when given, the text) that takes its
// place. A text holds no brace. `varies`: the value changes while the card stays (a channel
// or relay number), so that a line holding the marker comes out differently each time;
// `hole`: the source from which the generator gives that number again (hook_results.h).
struct NumberMarker {
    std::string_view marker; // "{" name "}", no other brace in it
    int value;
    std::string_view text = {};
    bool varies = false;
    int hole = -1; // for one that varies: the generator's source of its number, or -1
};

// Where the value of a marker that varies was written into a line.
struct WrittenMarker {
    std::size_t begin;
    std::size_t length;
    int hole; // the marker's source, or -1
};

// What a marker stands for, appended to `text`: its text when it has one, else its number.
void appendMarkerValue(std::string& text, const NumberMarker& marker);

// The most bytes that value takes, and the value written at `out` (returns its end), for
// writers that size a line once and fill it in place.
inline std::size_t markerValueRoom(const NumberMarker& marker) {
    constexpr std::size_t kLongestNumber = 11; // "-2147483648"
    return marker.text.empty() ? kLongestNumber : marker.text.size();
}
inline char* writeMarkerValue(char* out, const NumberMarker& marker) {
    if (marker.text.empty()) {
        return std::to_chars(out, out + markerValueRoom(marker), marker.value).ptr;
    }
    return std::copy_n(marker.text.data(), marker.text.size(), out);
}

// The scan of a line for the markers of a list: `onMarker(before, index)` for each marker
// found, left to right, with the number of bytes since the end of the previous one; returns
// the number of bytes after the last one (the line's size when none was found). The text a
// marker stands for is not scanned: the scan goes on after the marker.
template <typename OnMarker>
std::size_t scanMarkers(std::string_view line, std::span<const NumberMarker> markers,
                        OnMarker onMarker) {
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    const char* copied = begin;
    for (const char* open = kw::findByte(begin, line.size(), '{'); open != nullptr;
         open = kw::findByte(open + 1, static_cast<std::size_t>(end - open - 1), '{')) {
        const auto rest = static_cast<std::size_t>(end - open);
        for (std::size_t i = 0; i < markers.size(); ++i) {
            const std::string_view name = markers[i].marker;
            if (name.size() <= rest && open[1] == name[1] &&
                std::memcmp(open, name.data(), name.size()) == 0) {
                onMarker(static_cast<std::size_t>(open - copied), i);
                copied = open + name.size();
                open = copied - 1;
                break;
            }
        }
        if (open + 1 >= end) {
            break;
        }
    }
    return static_cast<std::size_t>(end - copied);
}

// replaceMarker for each marker of the list, in one scan of the line: a data line is read
// again for every card and channel and holds several markers. The result is that of the
// calls one after the other, since a number or a brace-free text does not form a marker of
// the list with the text around it (the markers put in texts hold no digit). Returns whether
// a marker that varies was replaced.
bool replaceMarkers(std::string& line, std::span<const NumberMarker> markers);
inline bool replaceMarkers(std::string& line, std::initializer_list<NumberMarker> markers) {
    return replaceMarkers(line, std::span<const NumberMarker>(markers.begin(), markers.size()));
}

} // namespace tarvik
