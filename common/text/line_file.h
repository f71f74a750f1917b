#pragma once

// Line files of the test system: 8-bit text whose lines end with CR LF. Lines are bytes and
// pass through unchanged; only the line ends are touched. Reading accepts LF or CR LF (a CR
// directly before the LF is dropped); writing always ends every line with CR LF.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// Splits file content into lines. A last line without a line end is kept; an empty input
// gives no lines.
std::vector<std::string> splitLines(std::string_view bytes);

// Reads a whole line file; nothing when the file cannot be opened or read.
std::optional<std::vector<std::string>> readLineFile(const std::filesystem::path& path);

// Reads a whole file as bytes; nothing when it cannot be opened or read.
std::optional<std::string> readFileBytes(const std::filesystem::path& path);

// Why a bounded read gave nothing: the platform's error code, or a file larger than allowed.
struct ReadProblem {
    int error = 0;
    bool tooLarge = false;
};

// The same with a bound: a file (or device, or pipe) with more than maxBytes bytes is not
// read on, so that /dev/zero or a huge file cannot use up the memory. On failure *problem
// says why.
std::optional<std::string> readFileBytes(const std::filesystem::path& path, std::size_t maxBytes,
                                         ReadProblem* problem);
std::optional<std::vector<std::string>> readLineFile(const std::filesystem::path& path,
                                                     std::size_t maxBytes, ReadProblem* problem);

// The reason as a German text for a message: "sie ist größer als N Bytes" or the platform's
// description of the error.
std::string readProblemText(const ReadProblem& problem, std::size_t maxBytes);

// How a line file reaches its name. A file saved in place (Synced) goes through a temporary
// and waits until the content has reached the disk. A file written into a staging folder
// (Staged), which is discarded as a whole when anything fails and later renamed into place as
// a whole, is written under its own name at once: nothing refers to it before that rename, and
// a temporary and a wait for the disk per file would make up a good part of a generation run.
enum class Durability { Synced, Staged };

// Writes a line file so that it is never left half-written: the lines go into a temporary
// file beside the target, which replaces the target only on commit(). A writer destroyed
// without a successful commit() removes its temporary file and leaves the target untouched.
// Staged: the lines go to the target itself, which is removed again without a successful
// commit().
class LineFileWriter {
public:
    explicit LineFileWriter(std::filesystem::path target,
                            Durability durability = Durability::Synced);
    ~LineFileWriter();
    LineFileWriter(const LineFileWriter&) = delete;
    LineFileWriter& operator=(const LineFileWriter&) = delete;

    // False when the temporary file could not be created.
    bool isOpen() const { return m_file != nullptr; }

    // Writes the bytes of one line followed by CR LF.
    void writeLine(std::string_view line);

    // Writes bytes as they are (for content that carries its own line ends).
    void writeRaw(std::string_view bytes);

    // Flushes, closes and renames over the target. False (and nothing replaced) when any
    // write failed or the rename failed.
    bool commit();

private:
    void discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::FILE* m_file = nullptr;
    bool m_failed = false;
    Durability m_durability;
};

// Writes all lines in one go (see LineFileWriter). False when the file could not be written.
bool writeLineFile(const std::filesystem::path& path, const std::vector<std::string>& lines,
                   Durability durability = Durability::Synced);

} // namespace kw
