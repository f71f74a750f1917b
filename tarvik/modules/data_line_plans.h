#pragma once

// DataLinePlans: what a card generator finds in a template data line, kept per line, so that
// reading the line again for the next card or channel does not search it again. A line is
// named by the input position after it (InputPosition() in the hook). Each plan is checked
// against the text it was made for and the table it was made with, so a line that reaches
// the call changed (other tokens taken out before, for another card) is searched afresh.
//
//   takeKind        a step-kind marker taken out of the line (takeStepKind, first the
//                   generator's table, then the card-section table)
//   replaceMarkers  the text markers of the line ("{c}", "{k}" ...) replaced by their values
//                   for the current card and channel: the plan holds the literal pieces and
//                   which marker follows each, so only the numbers are formatted each time

#include "tarvik/modules/card_sequence.h"
#include "tarvik/modules/card_statements.h"

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarvik {

class DataLinePlans {
public:
    // Lines kept at most (a few hundred in the largest template), and the longest line kept
    // (data lines are a few dozen bytes); other lines are searched each time, with no more
    // memory than that.
    static constexpr std::size_t kMostLines = 4096;
    static constexpr std::size_t kLongestLine = 4096;

    // takeStepKind(line, own), or when that finds none, takeStepKind(line, common).
    int takeKind(std::string& line, std::int64_t key, std::span<const StepKindMarker> own,
                 std::span<const StepKindMarker> common);

    // replaceMarkers(line, markers), with its result (whether a marker that varies was
    // replaced); `varying`, when given, gets where the values of those markers were written
    // (not for a line searched each time: then it stays empty).
    bool replaceMarkers(std::string& line, std::int64_t key, std::span<const NumberMarker> markers,
                        std::vector<WrittenMarker>* varying = nullptr);
    bool replaceMarkers(std::string& line, std::int64_t key,
                        std::initializer_list<NumberMarker> markers) {
        return replaceMarkers(line, key,
                              std::span<const NumberMarker>(markers.begin(), markers.size()));
    }

private:
    struct KindPlan {
        const StepKindMarker* own = nullptr; // the tables it was made with
        const StepKindMarker* common = nullptr;
        std::string input;
        std::string output;
        int kind = 0;
    };
    struct Piece {
        std::uint32_t literal; // bytes of the input before the marker
        std::uint32_t marker;  // index into the marker list; kNoMarker after the last piece
    };
    static constexpr std::uint32_t kNoMarker = UINT32_MAX;
    struct MarkerPlan {
        std::string input;
        std::vector<std::string_view> names; // the markers it was made for, in list order
        std::vector<Piece> pieces;           // empty: the line holds none of them
        bool made = false;
    };
    struct LinePlan {
        KindPlan kind;
        MarkerPlan markers;
    };

    LinePlan* plan(std::int64_t key, std::string_view line);
    LinePlan* remember(std::int64_t key, LinePlan* plan);
    // Whether every marker of both tables begins with a brace (known per pair of tables).
    bool bothBraced(std::span<const StepKindMarker> own, std::span<const StepKindMarker> common);
    static bool sameNames(const MarkerPlan& plan, std::span<const NumberMarker> markers);
    static void make(MarkerPlan& plan, std::string_view line,
                     std::span<const NumberMarker> markers);
    static bool fill(std::string& line, const MarkerPlan& plan,
                     std::span<const NumberMarker> markers, std::vector<WrittenMarker>* varying);

    std::unordered_map<std::int64_t, LinePlan> m_lines;
    std::int64_t m_lastKey = 0;
    LinePlan* m_last = nullptr;
    // The tables (constant) that m_braced was found for.
    std::span<const StepKindMarker> m_bracedOwn;
    std::span<const StepKindMarker> m_bracedCommon;
    bool m_braced = false;
};

} // namespace tarvik
