#pragma once

// The handler and its input of one golden case, read from the case's handler.txt:
//
//   # comment
//   handler CResetHandler          which handler (a row of the table in golden_handlers.cpp)
//   template TM_SEL_TEMPLATE/resettest0.rst   input from the sample templates instead of
//                                             the case's own input.* file
//   systemType 860                 further lines: "key args...", read by the handler's row
//   reset SEL860_KVR1 112 0 -1 {0xFF}
//   expect-count-patch             the announced step count is expected to differ from the
//                                  written one (otherwise the runner asserts they are equal)
//
// Every key must be read by the row that builds the handler, so a misspelt key fails the case.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tarvik {

class CModuleFileHandler;

class GoldenInput {
public:
    struct Entry {
        std::string key;
        std::vector<std::string> args;
    };

    static GoldenInput parse(const std::string& text);

    // All entries with this key, in file order.
    std::vector<const Entry*> all(const std::string& key) const;
    // The first argument of the key as a number; `fallback` without the key.
    int number(const std::string& key, int fallback = 0) const;
    // A key that stands alone or with a true value ("1", "yes", "true").
    bool flag(const std::string& key) const;
    // The arguments of the key joined by blanks; empty without the key.
    std::string text(const std::string& key) const;

    // Keys no one asked for.
    std::vector<std::string> unreadKeys() const;

private:
    std::vector<Entry> m_entries;
    mutable std::set<std::string> m_read;
};

// Builds the handler a case names; nullptr for an unknown handler name.
std::unique_ptr<CModuleFileHandler> makeGoldenHandler(const GoldenInput& input);

} // namespace tarvik
