#include "module_test_support.h"

#include "common/text/line_file.h"

#include <atomic>
#include <fstream>
#include <memory>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support {

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    m_path = fs::temp_directory_path() /
             ("kw_modules_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    fs::remove_all(m_path);
    fs::create_directories(m_path);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string ScratchDir::listing() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_path)) {
        names.insert(entry.path().filename().string());
    }
    std::string text;
    for (const auto& name : names) {
        text += (text.empty() ? "" : " ") + name;
    }
    return text;
}

RewriteResult rewriteModule(std::unique_ptr<CModuleFileHandler> handler, std::string_view input,
                            const std::string& name) {
    ScratchDir dir;
    const fs::path module = dir.path() / name;
    {
        std::ofstream out(module, std::ios::binary);
        out.write(input.data(), static_cast<std::streamsize>(input.size()));
    }
    RewriteResult result;
    result.prepared = handler->Prepare();
    if (result.prepared) {
        result.opened = handler->Open(module);
        result.processed = result.opened && handler->Process();
    }
    result.expectedSteps = handler->expectedSteps();
    result.stepsWritten = handler->stepsWritten();
    result.failure = handler->failure();
    handler.reset();
    result.output = kw::readFileBytes(module).value_or("<missing>");
    if (dir.listing() != name) {
        result.output += "<folder holds: " + dir.listing() + ">";
    }
    return result;
}

std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (auto line : lines) {
        text.append(line).append("\r\n");
    }
    return text;
}

std::string lf(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (auto line : lines) {
        text.append(line).append("\n");
    }
    return text;
}

} // namespace testing_support
