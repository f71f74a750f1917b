#pragma once

// The fixed order in which a Testmappe's modules are rewritten: the project file and the
// documentation first, then one module generator per module, each with its progress text,
// its share of the main bar and the message that names the module when it fails.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tarvik {

class CSystemInfo;
struct GenerationStamp;
struct RunData;
struct RunInputs;

struct ModuleStep {
    int percent;
    std::string progressText;
    std::string module;      // file name in the Testmappe; empty for the project file
    std::string handlerName; // what rewrites it, for a dry run
    bool skip;               // the module is not processed (deleted for this folder kind)
    std::string failureMessage;
    // Rewrites the module in the given Testmappe folder; false fails the step.
    std::function<bool(const std::filesystem::path& folder)> run;
};

struct SequenceContext {
    const RunInputs& inputs;
    CSystemInfo& system;
    const RunData& data;
    const GenerationStamp& stamp;
    bool ist;
};

std::vector<ModuleStep> selfTestSequence(const SequenceContext& context);
std::vector<ModuleStep> calibrationSequence(const SequenceContext& context);

} // namespace tarvik
