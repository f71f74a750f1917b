#pragma once

// Running a module handler on a file in a scratch folder, as the generation run does:
// Prepare, Open, Process, destroy.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/module_file_handler.h"

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

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

// The same in a given empty folder, which is left empty again.
RewriteResult rewriteModuleIn(const ScratchDir& dir, std::unique_ptr<CModuleFileHandler> handler,
                              std::string_view input, const std::string& name = "module.fct");

// Lines joined with CR LF, each line terminated.
std::string crlf(std::initializer_list<std::string_view> lines);
// Lines joined with LF, each line terminated.
std::string lf(std::initializer_list<std::string_view> lines);

// One step as a template holds it: its number, the data lines of a "BEZEICHNUNG" block and
// the body statements (given without their two leading blanks). Lines end in LF.
std::string templateStep(int number, std::initializer_list<std::string_view> data,
                         std::initializer_list<std::string_view> body);

// A module header announcing `steps` steps, with a column block holding one shown column
// ("{SHOW,1}") per header name.
std::string templateHeader(int steps, std::initializer_list<std::string_view> columns = {});

// A step of a written module, as the tests look at it.
struct WrittenStep {
    int number = 0;
    std::vector<std::string> data; // lines after a key other than "NO"
    std::vector<std::string> body; // statements after X_END, with their leading blanks
    // The body statement that begins with `prefix`; empty when there is none.
    std::string statement(std::string_view prefix) const;
};

// The steps of a module text, in file order.
std::vector<WrittenStep> writtenSteps(const std::string& module);

// The header names whose "{SHOW," flag is 0 in a module's column block.
std::vector<std::string> hiddenColumns(const std::string& module);

// KVR860 records with these supply fits, channel bases, card numbers and family numbers
// counting up from 1.
std::vector<CKvrInfo> kvrCards(std::initializer_list<int> supplyFits);

} // namespace testing_support

} // namespace tarvik
