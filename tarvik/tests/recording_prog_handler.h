#pragma once

// A progress reporter for tests: records every report and registers itself for its lifetime.

#include "tarvik/modules/prog_handler.h"

#include <utility>
#include <vector>

namespace tarvik {

class RecordingProgHandler : public CProgHandler {
public:
    RecordingProgHandler() : m_registration(this) {}

    void report(int done, int total) override { reports.emplace_back(done, total); }

    std::vector<std::pair<int, int>> reports;

private:
    ScopedProgHandler m_registration;
};

} // namespace tarvik
