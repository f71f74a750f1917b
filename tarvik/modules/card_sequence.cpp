#include "tarvik/modules/card_sequence.h"

#include "tarvik/modules/module_text.h"

#include <algorithm>

namespace tarvik {

namespace {

// a x b clamped to the int range: template numbers come from files and may be anything.
int saturatingProduct(int a, int b) {
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>(std::clamp<long long>(product, INT_MIN, INT_MAX));
}

} // namespace

CardNumbering CardNumbering::fixedBlock(int blockSize) {
    return CardNumbering(false, blockSize);
}

CardNumbering CardNumbering::derivedBlock(int unit) {
    return CardNumbering(true, std::max(unit, 1));
}

void CardNumbering::cardEnds(int endNumber, int cardIndex) {
    if (!m_derived || cardIndex != 1) {
        return;
    }
    const long long span = static_cast<long long>(endNumber) - m_cardStart;
    const long long units = (span + m_unit - 1) / m_unit;
    const long long size = std::max(units, 1LL) * m_unit;
    m_blockSize = static_cast<int>(std::min<long long>(size, INT_MAX));
}

int CardNumbering::offset(int cardIndex) const {
    return saturatingProduct(std::max(cardIndex - 1, 0), m_blockSize);
}

int CardNumbering::repeatNumber(int stepNumber, int cardIndex) const {
    return saturatingAdd(saturatingAdd(stepNumber, offset(cardIndex)), 10);
}

void ChannelLoop::start(int channelCount, int channelBase) {
    m_channelCount = channelCount;
    m_channelBase = channelBase;
    m_channel = 1;
    m_group = 1;
    m_globalChannel = channelBase;
}

ChannelLoop::Next ChannelLoop::advance(std::int64_t repeatFrom,
                                       std::optional<std::int64_t> groupStart) {
    Next next;
    if (m_channel >= m_channelCount) {
        next.finished = true;
        return next;
    }
    const bool groupEnds = m_channelsPerGroup > 0 && m_channel % m_channelsPerGroup == 0;
    ++m_channel;
    m_globalChannel = saturatingAdd(m_globalChannel, 1);
    if (groupEnds) {
        ++m_group;
    }
    next.newGroup = groupEnds && groupStart.has_value();
    next.readFrom = next.newGroup ? *groupStart : repeatFrom;
    return next;
}

std::optional<std::int64_t> ChannelLoop::endChannelStep(std::int64_t repeatFrom,
                                                        std::optional<std::int64_t> groupStart,
                                                        int repeatNumber, int& nextNumber) {
    const Next next = advance(repeatFrom, groupStart);
    if (next.finished) {
        return std::nullopt;
    }
    if (!next.newGroup && nextNumber == 0) {
        nextNumber = repeatNumber;
    }
    return next.readFrom;
}

void StepStarts::remember(int kind, std::int64_t position) {
    if (kind >= 1 && kind <= kMaxKind) {
        m_starts[static_cast<std::size_t>(kind)] = position;
    }
}

std::optional<std::int64_t> StepStarts::find(int kind) const {
    if (kind < 1 || kind > kMaxKind) {
        return std::nullopt;
    }
    return m_starts[static_cast<std::size_t>(kind)];
}

void StepStarts::forget(int kind) {
    if (kind >= 1 && kind <= kMaxKind) {
        m_starts[static_cast<std::size_t>(kind)].reset();
    }
}

bool allBraced(std::span<const StepKindMarker> markers) {
    return std::all_of(markers.begin(), markers.end(),
                       [](const StepKindMarker& m) { return m.marker.starts_with('{'); });
}

int takeStepKind(std::string& line, std::span<const StepKindMarker> markers) {
    // One scan of the braces notes the earliest entry of the table that the line holds (the
    // table's order decides, not the line's); only that one is then removed. Markers all begin
    // with a brace; a table with another one is searched entry by entry.
    if (!allBraced(markers)) {
        for (const auto& entry : markers) {
            if (removeAll(line, entry.marker) > 0) {
                return entry.kind;
            }
        }
        return 0;
    }
    std::size_t first = markers.size();
    const std::string_view text(line);
    for (std::size_t open = text.find('{'); open != std::string_view::npos && first > 0;
         open = text.find('{', open + 1)) {
        for (std::size_t i = 0; i < first; ++i) {
            // The closing brace at the marker's length tells most markers apart at once.
            const std::string_view marker = markers[i].marker;
            if (text.size() - open >= marker.size() && text[open + marker.size() - 1] == '}' &&
                text.compare(open, marker.size(), marker) == 0) {
                first = i;
                break;
            }
        }
    }
    if (first == markers.size()) {
        return 0;
    }
    removeAll(line, markers[first].marker);
    return markers[first].kind;
}

} // namespace tarvik
