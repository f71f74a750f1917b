#pragma once

// Writes a file front to back through one large buffer and lets the writer go back and
// overwrite bytes it has already written (a count or a flag in a file's header), without
// ever extending the file by such a patch. Every failure is remembered and reported by
// close(), so that a full disk never passes as success.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
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
    bool isOpen() const { return m_file.is_open(); }

    // Appends bytes as they are.
    void write(std::string_view bytes);

    // Number of bytes written so far: the position the next write lands at.
    std::int64_t position() const {
        return m_flushed + static_cast<std::int64_t>(m_pending.size());
    }

    // Overwrites bytes written before. False (and nothing written) when the range does not lie
    // completely within what has been written.
    bool patch(std::int64_t position, std::string_view bytes);

    // Writes out what is buffered and closes the file. True only when every write succeeded.
    bool close();

    bool failed() const { return m_failed; }

private:
    bool flush();

    std::filebuf m_file;
    std::string m_pending;
    std::size_t m_bufferSize;
    std::int64_t m_flushed = 0;
    bool m_failed = false;
};

} // namespace kw
