#pragma once

// Running a module handler on a file in a scratch folder, as the generation run does:
// Prepare, Open, Process, destroy.

#include "tarvik/modules/module_file_handler.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

// A fresh, empty folder under the system's temporary directory, removed on destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Names of all entries in the folder, sorted.
    std::string listing() const;

private:
    std::filesystem::path m_path;
};

struct RewriteResult {
    bool prepared = false;
    bool opened = false;
    bool processed = false;
    std::string output; // the module file's bytes afterwards (after the handler is destroyed)
    int expectedSteps = 0;
    int stepsWritten = 0;
    CModuleFileHandler::Failure failure = CModuleFileHandler::Failure::none;
};

// Writes `input` as module `name` into a scratch folder, lets the handler rewrite it and
// destroys the handler (through `handler`, which the call takes over).
RewriteResult rewriteModule(std::unique_ptr<CModuleFileHandler> handler, std::string_view input,
                            const std::string& name = "module.fct");

// Lines joined with CR LF, each line terminated.
std::string crlf(std::initializer_list<std::string_view> lines);
// Lines joined with LF, each line terminated.
std::string lf(std::initializer_list<std::string_view> lines);

} // namespace testing_support
