#pragma once

// The documentation file "SET2.SET" of a Testmappe, whose "  DOCU " line records who
// generated the Testmappe, when and for which configuration, and the two version texts.

#include <filesystem>
#include <string>

namespace tarvik {

class CSystemInfo;
struct RunInputs;

struct GenerationStamp {
    std::string programVersion;  // "V 1.71"
    std::string templateVersion; // first line of version.txt
    std::string date;            // "07.12.2026"
    std::string time;            // "14:05"
};

// The stamp for now: both versions and the local date and time.
GenerationStamp currentStamp(const std::filesystem::path& programFolder);

// "V a.bc" from the program's four-part version a.b.c.d; "V a.b(c+1) beta" when d is not 0.
std::string programVersion();
std::string formatProgramVersion(int a, int b, int c, int d);

// First line of "version.txt" in the folder; empty when the file is missing or empty.
std::string templateVersion(const std::filesystem::path& programFolder);

// The text appended to the "  DOCU " line. "\n" in it are the two characters backslash and n.
std::string documentationText(const RunInputs& inputs, CSystemInfo& system,
                              const GenerationStamp& stamp, bool cal, bool ist);

// Copies the template's documentation file (SET2.SET) `input` to `output`, appending the text
// to the "  DOCU " line. False when either file cannot be opened.
bool rewriteDocumentation(const RunInputs& inputs, CSystemInfo& system,
                          const GenerationStamp& stamp, const std::filesystem::path& input,
                          const std::filesystem::path& output, bool cal, bool ist);

} // namespace tarvik
