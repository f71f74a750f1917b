#include "tarvik/app/command_line_info.h"

namespace tarvik {

CTarvikCommandLineInfo::CTarvikCommandLineInfo(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--batch") {
            m_batch = true;
            continue;
        }
        const bool isSwitch = argument.size() >= 2 && (argument[0] == '/' || argument[0] == '-');
        if (isSwitch && (argument[1] == 'i' || argument[1] == 'I')) {
            m_noHardwareSearch = true;
        }
    }
}

} // namespace tarvik
