#pragma once

// Whole generation runs on copies of the bundled templates: a program folder with both
// templates and version.txt, an empty target directory, project name "ABC" and a scripted
// user interface. Tests change the rack, the inputs or the template copies before generate().

#include "support/scripted_ui.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/documentation.h"
#include "tarvik/generation/run_inputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarvik {

// One card of every card family with a module generator, on an 860 with the new decoder
// (ULM860) and a DAX19 at card address 50.
void fillEveryFamily(CSystemInfo& system);

class GenerationFixture : public ::testing::Test {
public:
    // Names in a folder, sorted.
    static std::vector<std::string> entries(const std::filesystem::path& folder);
    // Content of a file, empty when it cannot be read.
    static std::string bytes(const std::filesystem::path& file);

protected:
    static const GenerationStamp kStamp;

    GenerationFixture();
    ~GenerationFixture() override;

    bool generate();

    std::filesystem::path target(const std::string& name) const;
    std::filesystem::path selTemplate() const { return m_inputs.templateSelPath; }
    std::filesystem::path calTemplate() const { return m_inputs.templateCalPath; }

    // The last message, for assertion output.
    std::string lastMessage() const;

    std::filesystem::path m_root;
    RunInputs m_inputs;
    CSystemInfo m_system;
    ScriptedUi m_ui;
};

} // namespace tarvik
