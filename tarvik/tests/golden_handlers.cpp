// The handlers golden cases can name, one row each. A new generator adds its row here.

#include "golden_input.h"
#include "scripted_handler.h"

#include "tarvik/modules/template_file_handler.h"

#include <string_view>

namespace {

using Factory = std::unique_ptr<CModuleFileHandler> (*)(const GoldenInput&);

std::unique_ptr<CModuleFileHandler> scripted(const GoldenInput& input) {
    HandlerScript script;
    for (const char* key : {"added", "hide", "repeat", "drop", "next-number", "number-offset",
                            "body-done", "delete-body", "split-body"}) {
        for (const auto* entry : input.all(key)) {
            script.parse(entry->key, entry->args);
        }
    }
    return std::make_unique<ScriptedHandler>(std::move(script));
}

std::unique_ptr<CModuleFileHandler> plainBase(const GoldenInput&) {
    return std::make_unique<CModuleFileHandler>();
}

std::unique_ptr<CModuleFileHandler> templateHandler(const GoldenInput& input) {
    return std::make_unique<CTemplateFileHandler>(input.number("systemType", 860));
}

const std::pair<std::string_view, Factory> kFactories[] = {
    {"scripted", scripted},
    {"CModuleFileHandler", plainBase},
    {"CTemplateFileHandler", templateHandler},
};

} // namespace

std::unique_ptr<CModuleFileHandler> makeGoldenHandler(const GoldenInput& input) {
    const std::string name = input.text("handler");
    for (const auto& [rowName, factory] : kFactories) {
        if (rowName == name) {
            return factory(input);
        }
    }
    return nullptr;
}
