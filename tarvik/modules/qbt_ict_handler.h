#pragma once

// CQbtIctHandler: the QBT component-test modules of the self-test ("bauteiltest_qbt520.ict",
// "bauteiltest_qbt860.ict"). Besides nominal value and limits, a step may carry the diode
// test voltage per system type ({DU(860)=0.7} into the DVOLTAGE statement), and "{du}"
// stands for the supply of the component test: 25 on a 945 system, 20 on the others.

#include "tarvik/modules/template_file_handler.h"

namespace tarvik {

class CQbtIctHandler : public CTemplateFileHandler {
public:
    explicit CQbtIctHandler(int systemType);

protected:
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

private:
    int m_systemType;
    ValueSlot m_duValue; // "DU"
};

} // namespace tarvik
