#pragma once

// CNettestHandler: the net-test module "verbindungstest.icn". Each "  PINNETDESC<p>" statement
// carries the expected resistance of pin net p per system type ({R(860)=12.5}). The handler
// takes the resistance of the system type being generated and makes sure every step that
// describes a pin net also holds "  PINNETOHMS<p> <ohms> Ohm": existing statements are
// rewritten, a missing one is added by reading the step a second time.

#include "tarvik/modules/module_file_handler.h"

#include <vector>

namespace tarvik {

struct NettestJob {
    int pinNet = 0;
    double ohms = 0.0;
    bool done = false; // a PINNETOHMS statement has been written for it
};

// The pin nets met so far, one job per pin net, in the order they were met.
class CNettestJobList {
public:
    NettestJob* find(int pinNet);
    void add(int pinNet, double ohms);
    bool anyOpen() const;
    const std::vector<NettestJob>& jobs() const { return m_jobs; }

private:
    std::vector<NettestJob> m_jobs;
};

class CNettestHandler : public CModuleFileHandler {
public:
    CNettestHandler(int systemType, CNettestJobList jobs = {});

    bool Prepare() override;

    const CNettestJobList& jobs() const { return m_jobs; }

protected:
    void OnBodyLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

private:
    void describePinNet(std::string& line);
    bool takeResistance(std::string& line, std::size_t textStart, int pinNet, bool anyToken);
    void rewriteOhms(std::string& line);

    int m_systemType;
    CNettestJobList m_jobs;
    int m_pass = 1; // 2 while a step is read the second time
};

} // namespace tarvik
