#include "support/generation_fixture.h"

#include "common/files/file_ops.h"
#include "common/text/line_file.h"
#include "tarvik/generation/generation_run.h"

#include <algorithm>

namespace tarvik {

namespace fs = std::filesystem;

const GenerationStamp GenerationFixture::kStamp{"V 1.00", "3.2.0", "07.12.2026", "14:05"};

GenerationFixture::GenerationFixture() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "_" + test->name();
    std::replace(name.begin(), name.end(), '/', '_'); // parameterised names
    m_root = fs::temp_directory_path() / ("kw_generation_" + name);
    kw::removeTree(m_root);
    fs::create_directories(m_root / "ziel");
    EXPECT_TRUE(kw::copyTree(KW_TEMPLATES_DIR, m_root / "programm"));
    m_inputs.setProgramFolder(m_root / "programm");
    m_inputs.targetDirectory = m_root / "ziel";
    m_inputs.projectName = "ABC";
    m_system.setManual(860, false, false, false);
}

GenerationFixture::~GenerationFixture() {
    kw::removeTree(m_root);
}

bool GenerationFixture::generate() {
    GenerationRun run(m_system, m_inputs, m_ui, kStamp);
    return run.generate();
}

fs::path GenerationFixture::target(const std::string& name) const {
    return m_root / "ziel" / name;
}

std::vector<std::string> GenerationFixture::entries(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string GenerationFixture::bytes(const fs::path& file) {
    return kw::readFileBytes(file).value_or("");
}

std::string GenerationFixture::lastMessage() const {
    return m_ui.messages.empty() ? "" : m_ui.messages.back();
}

void fillEveryFamily(CSystemInfo& system) {
    system.setManual(860, false, false, true);
    system.slots[1] = {CardType::Kvr860, 0, 1};
    system.slots[2] = {CardType::Tqd, 4, 0};
    system.slots[3] = {CardType::Sew, 0, 0};
    system.slots[4] = {CardType::Sew, 5, 0}; // SEQ28
    system.slots[5] = {CardType::Log, 11, 0};
    system.slots[6] = {CardType::Gat, 2, 0};
    system.slots[7] = {CardType::Norv860, 0, 0};
    system.slots[8] = {CardType::Dwb860, 0, 0};
    system.slots[9] = {CardType::Fjn860, 0, 1};
    system.slots[10] = {CardType::Jel6, 0, 0};
    system.slots[11] = {CardType::Multi, 1, 0}; // YOT860
    system.slots[12] = {CardType::Multi, 2, 0}; // PEW860
    system.slots[13] = {CardType::Ow, 1, 0};    // OW860
    system.slots[14] = {CardType::Zupa, 1, 0};
    system.slots[48] = {CardType::Multi, 4, 0}; // BAQ44
    system.slots[49] = {CardType::Multi, 6, 0}; // GIV12
}

} // namespace tarvik
