#pragma once

// Conditional steps: a step whose data block carries a marker such as "{IGNORE_IST}" is
// dropped when the marker's condition holds for the module being generated (the actual-value
// twin, the chosen instrument, the system type). A generator keeps one ConditionalSteps,
// lists its markers with their conditions, and calls:
//   Prepare      -> reset()
//   OnDataLine   -> takeMarkers(line)   (every marker is removed, whether it holds or not)
//   OnEndStep    -> dropSteps(endStep())
// so only a step that carries a marker whose condition holds is dropped, and each following
// step is decided afresh. GetAddedSteps should announce the steps the conditions drop.
// CConditionalStepHandler below is a module generator made of exactly that.

#include "tarvik/modules/module_file_handler.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// The step markers of the templates.
namespace StepMarker {
inline constexpr std::string_view ignoreIst = "{IGNORE_IST}";   // actual-value twins
inline constexpr std::string_view ignoreCal = "{IGNORE_CAL}";   // self-test and calibration
inline constexpr std::string_view ignore3458 = "{IGNORE_3458}"; // Keysight 3458A chosen
inline constexpr std::string_view ignore945 = "{IGNORE_945}";   // system type 945
inline constexpr std::string_view ignore5Vng = "{IGNORE_5VNG}"; // ZUPA with 5 V supply
} // namespace StepMarker

class ConditionalSteps {
public:
    // A marker and whether steps carrying it are dropped in this module.
    void add(std::string_view marker, bool dropWhenPresent);

    // Removes every marker from a data line; notes a drop when one whose condition holds
    // was there.
    void takeMarkers(std::string& line);

    // Whether the step now ending is to be dropped; clears the note for the next step.
    bool endStep();

    void reset() { m_dropNext = false; }

private:
    struct Marker {
        std::string text;
        bool drop;
    };
    std::vector<Marker> m_markers;
    bool m_dropNext = false;
};

// A module generator whose steps change only by its conditions: the steps it adds are fixed
// per handler and kind of module, known before the module is read. A generator that also
// rewrites values calls its hooks from its own.
class CConditionalStepHandler : public CModuleFileHandler {
public:
    bool Prepare() override;

protected:
    explicit CConditionalStepHandler(int addedSteps);
    // The calibration modules' markers: "{IGNORE_IST}" drops a step of the actual-value twin,
    // "{IGNORE_CAL}" (with `withCalMarker`) one of the other folder.
    CConditionalStepHandler(int addedSteps, bool ist, bool withCalMarker);

    // Steps carrying `marker` are dropped when `drop` holds.
    void addCondition(std::string_view marker, bool drop) { m_conditions.add(marker, drop); }

    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

private:
    ConditionalSteps m_conditions;
    int m_addedSteps;
};

} // namespace tarvik
