#pragma once

// CTemplateFileHandler: the module handler for steps whose data block carries a nominal value
// and limits per system type ({SW(860)=5.0}{UG(860)=4.5}{OG(860)=5.5}). The values for the
// system type being generated are written into the step's "  VALUE ", "  LOWER " and
// "  UPPER " statements; tokens for other system types are removed unread. Most card
// generators derive from it and call these hooks first in their own.

#include "tarvik/modules/module_file_handler.h"
#include "tarvik/modules/value_slot.h"

#include <initializer_list>
#include <span>
#include <string_view>
#include <unordered_map>

namespace tarvik {

class CTemplateFileHandler : public CModuleFileHandler {
public:
    explicit CTemplateFileHandler(int systemType);

protected:
    // Takes SW, UG and OG (param: the system type) into nominal, lower and upper.
    void OnDataLine(std::string& line) override;

    // The same, together with a generator's own value tokens (taken after these three), in
    // one scan of the line: a data line is read again for every card and channel.
    void parseStepValues(std::string& line, std::initializer_list<ValueTokenRequest> own);

    // Writes a found value into the step's VALUE, LOWER or UPPER statement.
    void OnBodyLine(std::string& line) override;

    // Clears the three values; leaves the dropping of steps as it is.
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

    ValueSlot m_nominal;    // "SW"
    ValueSlot m_lower;      // "UG"
    ValueSlot m_upper;      // "OG"
    std::string m_selector; // the system type code, the param of the value tokens

private:
    static constexpr std::size_t kMostRequests = 8; // what one scan serves
    // Data lines whose parse is kept (a few hundred in the largest template; about 1 KiB each).
    static constexpr std::size_t kMostKeptLines = 4096;
    static constexpr std::size_t kLongestKeptLine = 4096; // data lines are a few dozen bytes

    // What the value tokens of one template data line gave: the line is read again for every
    // card and channel, and parsing it again would give the same, as long as the line and the
    // token names and params asked for are the same.
    struct ParsedDataLine {
        std::string original;
        std::string rewritten;
        std::size_t requests = 0;
        std::string names[kMostRequests];
        std::string params[kMostRequests];
        bool found[kMostRequests] = {};
        std::string values[kMostRequests];

        bool answers(std::string_view line, std::span<const ValueTokenRequest> asked) const;
    };

    void parseOnce(std::string& line, std::span<const ValueTokenRequest> requests);
    void keepEffects(std::span<const ValueTokenRequest> requests);

    // By the input position that ends the line.
    std::unordered_map<std::int64_t, ParsedDataLine> m_parsedLines;
};

} // namespace tarvik
