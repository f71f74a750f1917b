#include "korvane/tool/field_exchange.h"

#include "korvane/interfaces/interface.h"
#include "korvane/interfaces/text_format.h"

#include <algorithm>
#include <limits>

namespace korvane {

const char* const kEnterWholeNumberText = "Geben Sie eine ganze Zahl ein.";
const char* const kEnterPositiveNumberText = "Geben Sie eine positive ganze Zahl ein.";

namespace {

// Sign and magnitude of a number text, or nothing when the text is not one. The magnitude
// stops growing beyond 2^32, which every caller refuses.
struct NumberText {
    bool negative = false;
    std::uint64_t magnitude = 0;
};

std::optional<NumberText> readNumberText(std::string_view text, bool signAllowed) {
    std::size_t pos = 0;
    while (pos < text.size() && isCBlank(text[pos])) {
        ++pos;
    }
    NumberText number;
    if (signAllowed && pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        number.negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t firstDigit = pos;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        number.magnitude = std::min<std::uint64_t>(number.magnitude * 10 + (text[pos] - '0'),
                                                   std::uint64_t{1} << 33);
    }
    if (pos == firstDigit) {
        return std::nullopt;
    }
    while (pos < text.size() && isCBlank(text[pos])) {
        ++pos;
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return number;
}

} // namespace

std::int32_t ValueRange::clamp(std::int32_t value) const {
    return std::clamp(value, static_cast<std::int32_t>(min), static_cast<std::int32_t>(max));
}

InterfaceRanges InterfaceRanges::of(const CInterface& bus) {
    return InterfaceRanges{{bus.minSystemAddress(), bus.maxSystemAddress()},
                           {bus.minCardAddress(), bus.maxCardAddress()},
                           {bus.minFunctionAddress(), bus.maxFunctionAddress()},
                           {bus.minData(), bus.maxData()}};
}

std::string rangeMessage(const ValueRange& range) {
    return "Geben Sie eine ganze Zahl zwischen " + std::to_string(range.min) + " und " +
           std::to_string(range.max) + " ein.";
}

std::optional<std::int32_t> parseWholeNumber(std::string_view text) {
    const auto number = readNumberText(text, true);
    if (!number) {
        return std::nullopt;
    }
    const std::int64_t value = number->negative ? -static_cast<std::int64_t>(number->magnitude)
                                                : static_cast<std::int64_t>(number->magnitude);
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::optional<std::uint32_t> parsePositiveNumber(std::string_view text) {
    const auto number = readNumberText(text, false);
    if (!number || number->magnitude > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(number->magnitude);
}

} // namespace korvane
