#pragma once

// A generator whose decisions come from a small script, so that tests can drive every
// mechanism of the handler base through real module files. Step numbers in the script are
// template numbers (the "NO" entry of a step).

#include "tarvik/modules/module_file_handler.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tarvik {

struct HandlerScript {
    int addedSteps = 0;                   // GetAddedSteps result
    std::set<std::string> hiddenColumns;  // IsColumnHidden is true for these headers
    std::map<int, int> repeats;           // step -> times it is written (seek back, n+10 ...)
    std::set<int> drops;                  // steps dropped (each decided afresh)
    std::map<int, int> nextNumbers;       // at the end of the step: numberFrom(value)
    std::map<int, int> numberOffsets;     // at the end of the step: raiseNumbersBy(value)
    std::set<int> bodyDoneAfter;          // at the end of the step: finishBody()
    std::vector<std::string> deletedBody; // body lines beginning with these are emptied
    std::map<std::string, std::string> bodySplits; // body line prefix -> extra line after it

    // Reads one script line "key args..." (see the golden cases' handler.txt); false when
    // the key is not a script key.
    bool parse(const std::string& key, const std::vector<std::string>& args);
};

class ScriptedHandler : public CModuleFileHandler {
public:
    explicit ScriptedHandler(HandlerScript script) : m_script(std::move(script)) {}

    std::vector<std::string> dataLines; // every line offered to OnDataLine, as offered

protected:
    int GetAddedSteps(int) override { return m_script.addedSteps; }
    bool IsColumnHidden(const std::string& header) override {
        return m_script.hiddenColumns.count(header) > 0;
    }
    void OnDataLine(std::string& line) override { dataLines.push_back(line); }
    void OnBodyLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

private:
    HandlerScript m_script;
    std::map<int, int> m_passes;
};

} // namespace tarvik
