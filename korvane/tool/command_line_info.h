#pragma once

// The command line of korvane. Every argument beginning with "-" or "/" is an option whose
// keyword (the rest of the argument) is compared without regard to case; every other argument
// is a plain argument, stored according to what the last option expects. Absolute paths begin
// with "/" here, so "/" makes an option only of the keywords below; "/home/x.txt" is a plain
// argument.
//
//   -i41 [<Basis>]   INT41 interface (base port address in hexadecimal)
//   -usb [<SNR>]     USB860 adapter (serial number)
//   -d860 [<SNR>]    the 16-bit twin of a USB860 adapter in ULM860 mode
//   -exec <Datei>    execute a sequence file and end
//   -load <Datei>    load a sequence file and show the dialog
//   -? / -help       show the help text
//
// Double-dash options are additions of this tool that the grammar above treats as unknown
// keywords (they only cancel a pending plain argument):
//
//   --list           print the shown interface list
//   --selftest       run the current interface's self-test without a display
//   --yes            answer the self-test's safety question with OK
//
// And one more for unattended runs, also written "-strict" or "/strict" (a keyword like the
// ones above): with it "-exec" ends with exit code 3 when a bus transfer failed, and with 4
// when lines of the file were refused (see korvane_app.h).
//
//   --strict

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

class CKorvaneCommandLineInfo {
public:
    enum Option : std::uint32_t {
        kHelp = 1,
        kInt41 = 2,
        kUsb860 = 4,
        kExec = 8,
        kLoad = 16,
        kUlm860 = 32,
    };

    // What a following plain argument is.
    enum Expecting { kNothing = 0, kBaseAddress = 1, kSerialNumber = 2, kFileName = 3 };

    CKorvaneCommandLineInfo() = default;
    explicit CKorvaneCommandLineInfo(const std::vector<std::string>& arguments);

    void parseArgument(const std::string& argument);

    bool has(Option option) const { return (options & option) != 0; }

    std::uint32_t options = 0;
    std::string interfaceParameter;
    std::string fileName;
    int expecting = kNothing;

    bool listInterfaces = false;
    bool selfTest = false;
    bool confirmSelfTest = false;
    bool strict = false;

private:
    void parseKeyword(const std::string& keyword);
};

// The help text, shown in an information box or printed.
extern const char* const kKorvaneHelpText;
// What the help says beyond that text: the additions of this tool.
extern const char* const kKorvaneHelpAdditions;

} // namespace korvane
