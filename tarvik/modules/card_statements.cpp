#include "tarvik/modules/card_statements.h"

#include "common/text/find_byte.h"

#include "tarvik/modules/module_text.h"

#include <algorithm>
#include <charconv>

namespace tarvik {

namespace {

constexpr std::string_view kMasterAddress = "  BUSMADDRESS";
constexpr std::string_view kSlaveAddress = "  BUSSADDRESS";

bool startsWithBoth(std::string_view line, std::string_view keyword, std::string_view after) {
    return startsWith(line, keyword) && startsWith(line.substr(keyword.size()), after);
}

} // namespace

void replaceTailWithNumber(std::string& line, std::size_t from, std::string_view text, int number) {
    // Cut and appended: a replace of the tail takes the general path at twice the cost, and
    // statements are rewritten for every card and channel.
    line.erase(from).append(text).append(DecimalText(number));
}

bool rewriteBusAddress(std::string& line, std::string_view after, int address) {
    // Both keywords begin "  BUS": most statements are told apart by that alone.
    if (!startsWith(line, kMasterAddress.substr(0, 5))) {
        return false;
    }
    for (const std::string_view keyword : {kMasterAddress, kSlaveAddress}) {
        if (startsWithBoth(line, keyword, after)) {
            replaceTailWithNumber(line, keyword.size(), " ", address);
            return true;
        }
    }
    return false;
}

bool rewriteVariable(std::string& line, std::string_view prefix, int number) {
    if (line.size() != prefix.size() + 1 || !startsWith(line, prefix) || line.back() != '1') {
        return false;
    }
    replaceTailWithNumber(line, prefix.size(), {}, number);
    return true;
}

bool rewriteInitValue(std::string& line, std::string_view templateValue, int value) {
    constexpr std::string_view prefix = "  BUSSINITSTR {";
    const std::string_view rest =
        startsWith(line, prefix) ? std::string_view(line).substr(prefix.size()) : "";
    if (!startsWith(rest, templateValue) || rest.size() <= templateValue.size() ||
        rest[templateValue.size()] != '}') {
        return false;
    }
    replaceTailWithNumber(line, prefix.size(), {}, value);
    line += '}';
    return true;
}

bool rewriteSwitchOn(std::string& line, std::string_view keyword, int number) {
    if (!startsWith(line, keyword)) {
        return false;
    }
    replaceTailWithNumber(line, keyword.size(), {}, number);
    line += " 1";
    return true;
}

std::size_t endOfNumberAfter(std::string_view line, std::string_view keyword) {
    std::size_t end = keyword.size();
    while (end < line.size() && line[end] >= '0' && line[end] <= '9') {
        ++end;
    }
    return end;
}

std::optional<int> numberAfter(std::string_view line, std::string_view keyword) {
    if (!startsWith(line, keyword) || endOfNumberAfter(line, keyword) == keyword.size()) {
        return std::nullopt;
    }
    return leadingInt(line.substr(keyword.size()));
}

std::optional<NumberField> numberAfterText(std::string_view line, std::string_view text,
                                           std::size_t from) {
    const std::size_t found = line.find(text, from);
    if (found == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t begin = found + text.size();
    const std::size_t end = endOfNumberAfter(line, line.substr(0, begin));
    if (end == begin) {
        return std::nullopt;
    }
    return NumberField{begin, end, leadingInt(line.substr(begin))};
}

void replaceWithNumber(std::string& line, std::size_t begin, std::size_t end, int value) {
    line.replace(begin, end - begin, DecimalText(value));
}

void renumberStatement(std::string& line, std::string_view keyword, int newNumber) {
    std::size_t textStart = endOfNumberAfter(line, keyword);
    if (textStart < line.size() && line[textStart] == ' ') {
        ++textStart;
    }
    const std::string text = textStart < line.size() ? line.substr(textStart) : std::string();
    line = std::string(keyword) + std::to_string(newNumber) + " " + text;
}

void appendMarkerValue(std::string& text, const NumberMarker& marker) {
    const std::size_t size = text.size();
    text.resize(size + markerValueRoom(marker));
    char* const end = writeMarkerValue(text.data() + size, marker);
    text.resize(static_cast<std::size_t>(end - text.data()));
}

bool replaceMarkers(std::string& line, std::span<const NumberMarker> markers) {
    // Built beside the line and copied back: the line keeps its storage.
    thread_local std::string result;
    result.clear();
    const char* copied = line.data();
    bool replaced = false;
    bool varies = false;
    const std::size_t rest = scanMarkers(line, markers, [&](std::size_t before, std::size_t i) {
        result.append(copied, before);
        appendMarkerValue(result, markers[i]);
        copied += before + markers[i].marker.size();
        replaced = true;
        varies = varies || markers[i].varies;
    });
    if (!replaced) {
        return false; // no marker of the list
    }
    result.append(copied, rest);
    line.assign(result);
    return varies;
}

void replaceMarker(std::string& line, std::string_view marker, int value) {
    // replaceAll looks for the marker once; the number is formatted without an allocation.
    replaceAll(line, marker, DecimalText(value));
}

} // namespace tarvik
