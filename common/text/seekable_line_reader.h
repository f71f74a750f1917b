#pragma once

// Reads a line file through one large buffer and can be sent back to any byte position it
// reported before. Module generators re-read the same step many times; a seek that lands
// inside the buffered window costs no system call, so re-reading a step is as cheap as
// reading it the first time.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class SeekableLineReader {
public:
    static constexpr std::size_t kDefaultWindow = 1 << 20;

    explicit SeekableLineReader(std::size_t window = kDefaultWindow);
    SeekableLineReader(const SeekableLineReader&) = delete;
    SeekableLineReader& operator=(const SeekableLineReader&) = delete;

    // Opens a file for reading from its first byte. False when it cannot be opened.
    bool open(const std::filesystem::path& path);
    // Reads the whole file (at most kMaxLoad bytes) into memory and closes it: later reads and
    // seeks need no file, so the file may be overwritten meanwhile. False when it is no
    // regular file, cannot be read or is larger. `mode`, when given, receives its permission
    // bits.
    bool load(const std::filesystem::path& path, unsigned* mode = nullptr);
    void close();
    bool isOpen() const { return m_file.is_open() || m_loaded; }

    static constexpr std::uintmax_t kMaxLoad = std::uintmax_t{1} << 28;
    // A loaded file up to this size gets an index of its line ends, so that reading a line
    // again after a seek does not look for its end again (a module generator reads the
    // same steps many times). Larger files are searched as they are read: the index of a
    // file of short lines would cost more memory than the file.
    static constexpr std::size_t kMaxIndexed = std::size_t{1} << 22;

    // Reads the next line into `line`, without its line end (LF, or CR LF: a CR directly
    // before the LF is dropped; any other byte is kept). False at the end of the file or
    // after a read error; a last line without a line end is still returned.
    bool readLine(std::string& line);

    // The same without a copy: `line` shows the line's bytes, valid until the next read, seek
    // or close. A line read from the buffer is shown where it lies; only a line that runs
    // across two windows of an opened file is put together in a buffer of the reader's own.
    bool nextLine(std::string_view& line) {
        return m_lineEnds.empty() ? nextScannedLine(line) : nextIndexedLine(line);
    }

    // Byte position of the next line to be read.
    std::int64_t position() const { return m_windowStart + static_cast<std::int64_t>(m_cursor); }

    // Continues reading at a byte position. A position reported by position() leads back to
    // the same line; negative positions are taken as 0, positions past the end read nothing.
    void seek(std::int64_t position);

    // True once a read from the file failed (not at the end of the file).
    bool failed() const { return m_failed; }

private:
    bool loadFrom(int fd, unsigned* mode);
    bool refill();
    bool readLineAcrossWindows(std::string& line);
    void indexLines();
    bool nextScannedLine(std::string_view& line);
    // Inline: the module handlers read every line through it.
    bool nextIndexedLine(std::string_view& line) {
        if (m_line >= m_lineEnds.size()) {
            line = {};
            return false;
        }
        const std::size_t end = m_lineEnds[m_line++];
        const char* begin = m_buffer.get() + m_cursor;
        std::size_t length = end - m_cursor;
        // Without its line feed, and a CR directly before that; the last line may have
        // neither.
        if (length > 0 && begin[length - 1] == '\n') {
            --length;
            if (length > 0 && begin[length - 1] == '\r') {
                --length;
            }
        }
        line = std::string_view(begin, length);
        m_cursor = end;
        return true;
    }

    std::string m_joined; // a line that ran across windows, for nextLine

    std::filebuf m_file;
    std::size_t m_window;             // bytes read at once from an opened file
    std::size_t m_capacity = 0;       // size of m_buffer: the window, or a loaded file
    std::unique_ptr<char[]> m_buffer; // allocated, not cleared, at the first open or load
    std::int64_t m_windowStart = 0;   // file position of m_buffer[0]
    std::size_t m_windowLength = 0;   // valid bytes in m_buffer
    std::size_t m_cursor = 0;         // next unread byte in m_buffer
    bool m_failed = false;
    bool m_loaded = false; // the whole file is in the window
    // For a loaded file up to kMaxIndexed bytes: where each line ends (the byte after its
    // line feed, or the end of the file), and the line that begins at or holds m_cursor.
    std::vector<std::uint32_t> m_lineEnds;
    std::size_t m_line = 0;
};

} // namespace kw
