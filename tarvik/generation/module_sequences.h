#pragma once

// The fixed order in which a Testmappe's modules are rewritten: the project file and the
// documentation first, then one module generator per module, each with its progress text,
// its share of the main bar and the message that names the module when it fails.

#include "common/files/file_ops.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

class CSystemInfo;
struct GenerationStamp;
struct RunData;
struct RunInputs;

// Where the steps of one Testmappe work: each reads its file from the template folder and
// writes it into the staging folder the Testmappe is built in, once. The run does not copy
// the files the steps write (reading back a copy only to write it again took a good part of
// a run).
struct ModuleFolders {
    std::filesystem::path templateFolder;
    std::filesystem::path staging;
    // The template's entries the Testmappe keeps: those on its delete list are not among them.
    std::vector<std::string> entries;

    // The kept entry of that name (the exact name, else one that matches ignoring ASCII case,
    // as templates made on Windows name files in any case); nothing when there is none.
    std::optional<std::string> entry(std::string_view name) const {
        return kw::matchCaseInsensitive(entries, name);
    }
};

struct ModuleStep {
    int percent;
    std::string progressText;
    std::string module;      // file name in the Testmappe
    std::string handlerName; // what rewrites it, for a dry run
    bool skip;               // the module is not processed (deleted for this folder kind)
    std::string failureMessage;
    // The template file the step writes anew (matched ignoring case): the run leaves it out
    // of the copy. Empty: the step writes no file of the template.
    std::string source;
    // Writes the module into the staging folder; false fails the step.
    std::function<bool(const ModuleFolders& folders)> run;
    // The module comes out the same in the actual-value twin as in the first Testmappe of its
    // kind (same template, handler made without the twin flag): the twin may take a copy.
    bool sameInTwin = false;
};

// Whether a Testmappe is the actual-value twin ("_IST") of its kind. The sequences hand it to
// a handler only as this type, so that a module whose handler is made without it is known to
// come out the same in both Testmappen of a kind (ModuleStep::sameInTwin).
struct TwinFlag {
    bool ist;
};

struct SequenceContext {
    const RunInputs& inputs;
    CSystemInfo& system;
    const RunData& data;
    const GenerationStamp& stamp;
    TwinFlag twin;
};

std::vector<ModuleStep> selfTestSequence(const SequenceContext& context);
std::vector<ModuleStep> calibrationSequence(const SequenceContext& context);

} // namespace tarvik
