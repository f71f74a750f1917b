#include "tarvik/app/template_folder.h"

#include "module_test_support.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace fs = std::filesystem;

// Templates beside the program win over installed ones; the installed data folder is used
// only when nothing stands beside the program; with neither, the program folder is named.
TEST(TemplateFolder, BesideTheProgramFirstThenInstalled) {
    struct Row {
        const char* beside;  // template folder made beside the program, or nullptr
        bool installed;      // TM_SEL_TEMPLATE made in the installed data folder
        bool expectInstalled;
    };
    const Row rows[] = {
        {nullptr, false, false},
        {nullptr, true, true},
        {"TM_SEL_TEMPLATE", true, false},
        {"TM_CAL_TEMPLATE", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.beside ? row.beside : "-") << row.installed);
        testing_support::ScratchDir root;
        const fs::path program = root.path() / "bin";
        const fs::path installed = installedTemplateFolder(program);
        fs::create_directories(program);
        ASSERT_NE(program, installed);
        if (row.beside) {
            fs::create_directory(program / row.beside);
        }
        if (row.installed) {
            fs::create_directories(installed / "TM_SEL_TEMPLATE");
        }
        EXPECT_EQ(row.expectInstalled ? installed : program, templateFolder(program));
    }
}
