#pragma once

// Writes a file front to back through one large buffer and lets the writer go back and
// overwrite bytes it has already written (a count or a flag in a file's header), without
// ever extending the file by such a patch. Every failure is remembered and reported by
// close(), so that a full disk never passes as success.
//
// Bytes can also be staged: they are built up at the end of the buffer and become part of
// the file only when committed, or are forgotten when dropped. A module generator stages
// one step at a time and keeps or drops it at its end, without copying it again.

#include "common/text/find_byte.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace kw {

class PatchableFileWriter {
public:
    static constexpr std::size_t kDefaultBuffer = 1 << 20;

    explicit PatchableFileWriter(std::size_t buffer = kDefaultBuffer);
    ~PatchableFileWriter();
    PatchableFileWriter(const PatchableFileWriter&) = delete;
    PatchableFileWriter& operator=(const PatchableFileWriter&) = delete;

    // Creates the file anew (truncating it). False when it cannot be created.
    bool create(const std::filesystem::path& path);
    // Creates a file that must not exist yet, with the given permission bits. False when it
    // exists or cannot be created.
    bool createNew(const std::filesystem::path& path, unsigned mode);
    bool isOpen() const { return m_fd >= 0; }

    // Appends bytes to the file (after committing anything staged).
    void write(std::string_view bytes);

    // Stages bytes as they are. Inline: a replayed step is staged in pieces of a few bytes.
    void stage(std::string_view bytes) {
        if (!m_buffer) {
            m_failed = true;
            return;
        }
        copyBytes(reserveTail(bytes.size()), bytes.data(), bytes.size());
        m_size += bytes.size();
    }

    // Stages one line in the CR LF form of the test system's files: CR LF after it, and CR LF
    // in place of every line feed inside it (a CR already in front of such a line feed is
    // not doubled).
    void stageLine(std::string_view line);

    // The same for a line known to hold no line feed (as a line reader gives it): copied
    // without looking for one. Inline: the module handlers write most lines through it.
    void stagePlainLine(std::string_view line) {
        if (!m_buffer) {
            m_failed = true;
            return;
        }
        char* out = reserveTail(line.size() + 2);
        copyBytes(out, line.data(), line.size());
        out[line.size()] = '\r';
        out[line.size() + 1] = '\n';
        m_size += line.size() + 2;
    }

    // Makes the staged bytes part of the file / forgets them.
    void commitStaged();
    void dropStaged() { m_size = m_committed; }
    // How many bytes are staged, and the staged bytes from index `from` on (valid until the
    // next call that stages, commits or writes).
    std::size_t stagedSize() const { return m_size - m_committed; }
    std::string_view stagedFrom(std::size_t from) const {
        return std::string_view(m_buffer.get() + m_committed + from, stagedSize() - from);
    }

    // Number of bytes committed so far: the position the next committed byte lands at.
    std::int64_t position() const { return m_flushed + static_cast<std::int64_t>(m_committed); }

    // Overwrites committed bytes. False (and nothing written) when the range does not lie
    // completely within what has been committed.
    bool patch(std::int64_t position, std::string_view bytes);

    // Writes out what is committed, forgets what is still staged and closes the file. True
    // only when every write succeeded.
    bool close();

    bool failed() const { return m_failed; }

private:
    bool openFile(const std::filesystem::path& path, int how, unsigned mode);
    // Room for `bytes` more at the end of the buffer.
    char* reserveTail(std::size_t bytes) {
        return m_size + bytes <= m_capacity ? m_buffer.get() + m_size : growTail(bytes);
    }
    char* growTail(std::size_t bytes);
    void stageLineSlowly(std::string_view line);
    void flushCommitted();

    int m_fd = -1;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity;
    std::size_t m_committed = 0; // committed bytes at the front of the buffer
    std::size_t m_size = 0;      // committed plus staged bytes in the buffer
    std::int64_t m_flushed = 0;  // bytes handed to the file
    bool m_failed = false;
};

} // namespace kw
