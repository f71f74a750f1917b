#include "module_test_support.h"

#include "common/text/line_file.h"
#include "tarvik/modules/module_file_handler.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <unistd.h>

namespace tarvik {

namespace fs = std::filesystem;

namespace testing_support {

namespace {

// KW_CHECK_KEPT_HOOK_RESULTS=1 (a second run of the suite): every line written from a kept
// hook result is also given to its hook, and a difference fails the module and so the test.
const bool checkingKeptHookResults = [] {
    const char* on = std::getenv("KW_CHECK_KEPT_HOOK_RESULTS");
    const bool check = on != nullptr && std::string_view(on) == "1";
    CModuleFileHandler::checkKeptHookResults(check);
    return check;
}();

} // namespace

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
    return rewriteModuleIn(dir, std::move(handler), input, name);
}

RewriteResult rewriteModuleIn(const ScratchDir& dir, std::unique_ptr<CModuleFileHandler> handler,
                              std::string_view input, const std::string& name) {
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
    std::error_code ignored;
    fs::remove(module, ignored);
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

std::string templateStep(int number, std::initializer_list<std::string_view> data,
                         std::initializer_list<std::string_view> body) {
    std::string text =
        lf({"BEGINSTEP", "X_S_D", "NO", std::to_string(number), "X_E_D", "X_S_D", "BEZEICHNUNG"});
    for (auto line : data) {
        text.append(line).append("\n");
    }
    text += lf({"X_E_D", "X_END"});
    for (auto line : body) {
        text.append("  ").append(line).append("\n");
    }
    return text + "ENDSTEP\n";
}

std::string templateHeader(int steps, std::initializer_list<std::string_view> columns) {
    std::string text = "MODULE\n";
    if (columns.size() > 0) {
        text += "S_COL\n";
        for (auto column : columns) {
            text.append("{SHOW,1}\n{HEADER,").append(column).append("}\n");
        }
        text += "E_COL\n";
    }
    return text + "END_COL_INFO_RUN\n" + std::to_string(steps) + "\n";
}

std::string WrittenStep::statement(std::string_view prefix) const {
    for (const auto& line : body) {
        if (line.starts_with(prefix)) {
            return line;
        }
    }
    return {};
}

std::vector<WrittenStep> writtenSteps(const std::string& module) {
    std::vector<WrittenStep> steps;
    const auto lines = kw::splitLines(module);
    enum { outside, number, key, data, other, body } state = outside;
    for (const auto& line : lines) {
        if (line == "BEGINSTEP") {
            steps.emplace_back();
            state = other;
        } else if (steps.empty() || state == outside) {
            continue;
        } else if (line == "ENDSTEP") {
            state = outside;
        } else if (state == body) {
            steps.back().body.push_back(line);
        } else if (line == "X_S_D") {
            state = key;
        } else if (line == "X_E_D") {
            state = other;
        } else if (line == "X_END") {
            state = body;
        } else if (state == key) {
            state = line == "NO" ? number : data;
        } else if (state == number) {
            steps.back().number = std::stoi(line);
            state = other;
        } else if (state == data) {
            steps.back().data.push_back(line);
        }
    }
    return steps;
}

std::vector<std::string> hiddenColumns(const std::string& module) {
    std::vector<std::string> hidden;
    bool shown = true;
    for (const auto& line : kw::splitLines(module)) {
        if (line.starts_with("{SHOW,")) {
            shown = line != "{SHOW,0}";
        } else if (line.starts_with("{HEADER,") && !shown) {
            hidden.push_back(line.substr(8, line.size() - 9));
        } else if (line == "E_COL") {
            break;
        }
    }
    return hidden;
}

std::vector<CKvrInfo> kvrCards(std::initializer_list<int> supplyFits) {
    std::vector<CKvrInfo> list;
    for (const int fit : supplyFits) {
        const int n = static_cast<int>(list.size()) + 1;
        list.push_back({24 * (n - 1) + 1, static_cast<SupplyFit>(fit), n, n, 0});
    }
    return list;
}

} // namespace testing_support

} // namespace tarvik
