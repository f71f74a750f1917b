#pragma once

// The command line of tarvik. The program's own grammar knows one switch family: any
// argument beginning with "/" or "-" whose first letter after the switch sign is "i" or "I"
// suppresses the hardware search; everything else is ignored by it. The headless front end
// adds long options beginning with "--", which that grammar never mistakes for "i".

#include <string>
#include <vector>

namespace tarvik {

class CTarvikCommandLineInfo {
public:
    explicit CTarvikCommandLineInfo(const std::vector<std::string>& arguments);

    bool noHardwareSearch() const { return m_noHardwareSearch; }
    bool batch() const { return m_batch; }

private:
    bool m_noHardwareSearch = false;
    bool m_batch = false;
};

} // namespace tarvik
