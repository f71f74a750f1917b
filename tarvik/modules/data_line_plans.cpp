#include "tarvik/modules/data_line_plans.h"

#include "tarvik/modules/module_text.h"

#include "common/text/find_byte.h"

#include <algorithm>
#include <cstring>

namespace tarvik {

DataLinePlans::LinePlan* DataLinePlans::plan(std::int64_t key, std::string_view line) {
    if (line.size() > kLongestLine) {
        return nullptr;
    }
    // A generator asks for the kind and then the markers of the same line: the second
    // question finds the plan without a second lookup (the map's entries do not move).
    if (m_last != nullptr && key == m_lastKey) {
        return m_last;
    }
    if (m_lines.size() >= kMostLines) {
        const auto found = m_lines.find(key);
        return found == m_lines.end() ? nullptr : remember(key, &found->second);
    }
    return remember(key, &m_lines[key]);
}

DataLinePlans::LinePlan* DataLinePlans::remember(std::int64_t key, LinePlan* plan) {
    m_lastKey = key;
    m_last = plan;
    return plan;
}

bool DataLinePlans::bothBraced(std::span<const StepKindMarker> own,
                               std::span<const StepKindMarker> common) {
    const auto same = [](std::span<const StepKindMarker> a, std::span<const StepKindMarker> b) {
        return a.data() == b.data() && a.size() == b.size();
    };
    if (!same(own, m_bracedOwn) || !same(common, m_bracedCommon)) {
        m_bracedOwn = own;
        m_bracedCommon = common;
        m_braced = allBraced(own) && allBraced(common);
    }
    return m_braced;
}

int DataLinePlans::takeKind(std::string& line, std::int64_t key,
                            std::span<const StepKindMarker> own,
                            std::span<const StepKindMarker> common) {
    const auto take = [&] {
        const int kind = takeStepKind(line, own);
        return kind != 0 ? kind : takeStepKind(line, common);
    };
    // Most data lines hold no brace at all, and so none of the markers, which all begin with one.
    if (bothBraced(own, common) && kw::findByte(line.data(), line.size(), '{') == nullptr) {
        return 0;
    }
    LinePlan* lines = plan(key, line);
    if (lines == nullptr) {
        return take();
    }
    KindPlan& kept = lines->kind;
    if (kept.own == own.data() && kept.common == common.data() && kept.input == line) {
        line = kept.output;
        return kept.kind;
    }
    kept.own = own.data();
    kept.common = common.data();
    kept.input = line;
    kept.kind = take();
    kept.output = line;
    return kept.kind;
}

bool DataLinePlans::replaceMarkers(std::string& line, std::int64_t key,
                                   std::span<const NumberMarker> markers,
                                   std::vector<WrittenMarker>* varying) {
    LinePlan* lines = plan(key, line);
    if (lines == nullptr) {
        return tarvik::replaceMarkers(line, markers);
    }
    MarkerPlan& kept = lines->markers;
    if (!kept.made || kept.input != line || !sameNames(kept, markers)) {
        make(kept, line, markers);
    }
    return fill(line, kept, markers, varying);
}

bool DataLinePlans::sameNames(const MarkerPlan& plan, std::span<const NumberMarker> markers) {
    if (plan.names.size() != markers.size()) {
        return false;
    }
    for (std::size_t i = 0; i < markers.size(); ++i) {
        // The names are literals: the same text at the same place, or compared.
        const std::string_view name = markers[i].marker;
        if (name.data() != plan.names[i].data() && name != plan.names[i]) {
            return false;
        }
    }
    return true;
}

// The scan of replaceMarkers, noting where each marker stands instead of writing its value.
void DataLinePlans::make(MarkerPlan& plan, std::string_view line,
                         std::span<const NumberMarker> markers) {
    plan.made = true;
    plan.input.assign(line);
    plan.names.clear();
    for (const NumberMarker& marker : markers) {
        plan.names.push_back(marker.marker);
    }
    plan.pieces.clear();
    const std::size_t rest = scanMarkers(line, markers, [&](std::size_t before, std::size_t i) {
        plan.pieces.push_back({static_cast<std::uint32_t>(before), static_cast<std::uint32_t>(i)});
    });
    if (!plan.pieces.empty()) {
        plan.pieces.push_back({static_cast<std::uint32_t>(rest), kNoMarker});
    }
}

bool DataLinePlans::fill(std::string& line, const MarkerPlan& plan,
                         std::span<const NumberMarker> markers,
                         std::vector<WrittenMarker>* varying) {
    if (plan.pieces.empty()) {
        return false;
    }
    // The plan keeps the input, so the line is written anew in its own storage: sized for the
    // longest values first, then each piece copied and each value written in place.
    std::size_t most = plan.input.size();
    for (const Piece& piece : plan.pieces) {
        if (piece.marker != kNoMarker) {
            most += markerValueRoom(markers[piece.marker]);
        }
    }
    line.resize(most);
    char* out = line.data();
    const char* from = plan.input.data();
    bool varies = false;
    for (const Piece& piece : plan.pieces) {
        out = std::copy_n(from, piece.literal, out);
        from += piece.literal;
        if (piece.marker == kNoMarker) {
            break;
        }
        const NumberMarker& marker = markers[piece.marker];
        char* const value = out;
        out = writeMarkerValue(out, marker);
        from += marker.marker.size();
        if (marker.varies && varying != nullptr) {
            varying->push_back({static_cast<std::size_t>(value - line.data()),
                                static_cast<std::size_t>(out - value), marker.hole});
        }
        varies = varies || marker.varies;
    }
    line.resize(static_cast<std::size_t>(out - line.data()));
    return varies;
}

} // namespace tarvik
