#include "common/text/patchable_file_writer.h"

#include "common/text/find_byte.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kw {

namespace {

// Writes all bytes at the file's current position (pwrite: at `offset`), going on after short
// writes and interrupted calls. False after any other failure.
bool writeAll(int fd, const char* bytes, std::size_t length, off_t offset = -1) {
    while (length > 0) {
        const ssize_t n =
            offset < 0 ? ::write(fd, bytes, length) : ::pwrite(fd, bytes, length, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        const auto written = static_cast<std::size_t>(n);
        bytes += written;
        length -= written;
        if (offset >= 0) {
            offset += n;
        }
    }
    return true;
}

} // namespace

PatchableFileWriter::PatchableFileWriter(std::size_t buffer)
    : m_capacity(std::max<std::size_t>(buffer, 16)) {}

PatchableFileWriter::~PatchableFileWriter() {
    close();
}

bool PatchableFileWriter::create(const std::filesystem::path& path) {
    return openFile(path, O_TRUNC, 0666);
}

bool PatchableFileWriter::createNew(const std::filesystem::path& path, unsigned mode) {
    // Created for the owner only, then given its mode whatever the umask says, as a copied
    // file is.
    if (!openFile(path, O_EXCL, S_IRUSR | S_IWUSR)) {
        return false;
    }
    if (::fchmod(m_fd, static_cast<mode_t>(mode & 07777)) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

bool PatchableFileWriter::openFile(const std::filesystem::path& path, int how, unsigned mode) {
    close();
    m_failed = false;
    m_flushed = 0;
    m_committed = 0;
    m_size = 0;
    if (!m_buffer) {
        m_buffer.reset(new char[m_capacity]);
    }
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | how, static_cast<mode_t>(mode));
    return m_fd >= 0;
}

// Room at the end when the buffer is full: committed bytes go to the file first; a staged
// piece larger than the buffer makes the buffer grow.
char* PatchableFileWriter::growTail(std::size_t bytes) {
    flushCommitted();
    if (m_size + bytes > m_capacity) {
        const std::size_t capacity = std::max(m_capacity * 2, m_size + bytes);
        std::unique_ptr<char[]> larger(new char[capacity]);
        std::memcpy(larger.get(), m_buffer.get(), m_size);
        m_buffer = std::move(larger);
        m_capacity = capacity;
    }
    return m_buffer.get() + m_size;
}

void PatchableFileWriter::stageLine(std::string_view line) {
    if (!m_buffer) {
        m_failed = true;
        return;
    }
    // Copied in vector-sized pieces while looking for line feeds, which almost never occur.
    char* out = reserveTail(line.size() + 2);
    if (copyUntilByte(out, line.data(), line.size(), '\n') != line.size()) {
        stageLineSlowly(line);
        return;
    }
    out[line.size()] = '\r';
    out[line.size() + 1] = '\n';
    m_size += line.size() + 2;
}

void PatchableFileWriter::stageLineSlowly(std::string_view line) {
    for (std::size_t newline = line.find('\n'); newline != std::string_view::npos;
         newline = line.find('\n')) {
        std::string_view part = line.substr(0, newline);
        if (!part.empty() && part.back() == '\r') {
            part.remove_suffix(1);
        }
        stage(part);
        stage("\r\n");
        line.remove_prefix(newline + 1);
    }
    stage(line);
    stage("\r\n");
}

void PatchableFileWriter::commitStaged() {
    m_committed = m_size;
    if (m_committed >= m_capacity / 2) {
        flushCommitted();
    }
}

void PatchableFileWriter::write(std::string_view bytes) {
    stage(bytes);
    commitStaged();
}

void PatchableFileWriter::flushCommitted() {
    if (m_committed == 0) {
        return;
    }
    if (m_fd < 0 || !writeAll(m_fd, m_buffer.get(), m_committed)) {
        m_failed = true;
    }
    m_flushed += static_cast<std::int64_t>(m_committed);
    std::memmove(m_buffer.get(), m_buffer.get() + m_committed, m_size - m_committed);
    m_size -= m_committed;
    m_committed = 0;
}

bool PatchableFileWriter::patch(std::int64_t position, std::string_view bytes) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    if (m_fd < 0 || position < 0 || length > this->position() - position) {
        return false;
    }
    if (position >= m_flushed) {
        // Still in the buffer: no file access at all.
        std::memcpy(m_buffer.get() + (position - m_flushed), bytes.data(), bytes.size());
        return true;
    }
    // Bytes already handed to the file; the staged and committed bytes stay in the buffer.
    if (!writeAll(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(position))) {
        m_failed = true;
        return false;
    }
    return true;
}

bool PatchableFileWriter::close() {
    if (m_fd < 0) {
        return false;
    }
    dropStaged();
    flushCommitted();
    if (::close(m_fd) != 0) {
        m_failed = true;
    }
    m_fd = -1;
    return !m_failed;
}

} // namespace kw
