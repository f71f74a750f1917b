#include "common/text/seekable_line_reader.h"

#include "common/text/find_byte.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kw {

SeekableLineReader::SeekableLineReader(std::size_t window)
    : m_window(std::max<std::size_t>(window, 16)) {}

bool SeekableLineReader::open(const std::filesystem::path& path) {
    close();
    if (!m_buffer || m_capacity < m_window) {
        m_capacity = m_window;
        m_buffer.reset(new char[m_capacity]);
    }
    // Unbuffered: every read goes straight into our own window.
    m_file.pubsetbuf(nullptr, 0);
    return m_file.open(path, std::ios::in | std::ios::binary) != nullptr;
}

bool SeekableLineReader::load(const std::filesystem::path& path, unsigned* mode) {
    close();
    // Not waiting in open: a pipe or device under the name is refused as no regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    const bool read = loadFrom(fd, mode);
    ::close(fd);
    m_loaded = read;
    if (read) {
        indexLines();
    }
    return read;
}

bool SeekableLineReader::loadFrom(int fd, unsigned* mode) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uintmax_t>(info.st_size) > kMaxLoad) {
        return false;
    }
    if (mode != nullptr) {
        *mode = info.st_mode & 07777;
    }
    // Sized to the file: a module is a few kilobytes, and a window of the default size would
    // be allocated for each of them.
    const auto size = static_cast<std::size_t>(info.st_size);
    if (!m_buffer || m_capacity < size) {
        m_capacity = std::max<std::size_t>(size, 16);
        m_buffer.reset(new char[m_capacity]);
    }
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, m_buffer.get() + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false; // a read error, or a file that shrank meanwhile
        }
        got += static_cast<std::size_t>(n);
    }
    m_windowLength = size;
    return true;
}

void SeekableLineReader::indexLines() {
    m_lineEnds.clear();
    m_line = 0;
    if (m_windowLength > kMaxIndexed) {
        return;
    }
    const char* const begin = m_buffer.get();
    const char* const end = begin + m_windowLength;
    for (const char* at = begin; at < end;) {
        const char* newline = findByte(at, static_cast<std::size_t>(end - at), '\n');
        at = newline != nullptr ? newline + 1 : end;
        m_lineEnds.push_back(static_cast<std::uint32_t>(at - begin));
    }
}

void SeekableLineReader::close() {
    if (m_file.is_open()) {
        m_file.close();
    }
    m_loaded = false;
    m_lineEnds.clear();
    m_line = 0;
    m_windowStart = 0;
    m_windowLength = 0;
    m_cursor = 0;
    m_failed = false;
}

void SeekableLineReader::seek(std::int64_t position) {
    position = std::max<std::int64_t>(position, 0);
    if (m_loaded) {
        // The window is the whole file: past its end reads nothing.
        m_cursor = static_cast<std::size_t>(
            std::min<std::int64_t>(position, static_cast<std::int64_t>(m_windowLength)));
        // The first line that ends after the cursor holds it.
        m_line = static_cast<std::size_t>(
            std::upper_bound(m_lineEnds.begin(), m_lineEnds.end(), m_cursor) -
            m_lineEnds.begin());
        return;
    }
    const std::int64_t windowEnd = m_windowStart + static_cast<std::int64_t>(m_windowLength);
    if (position >= m_windowStart && position <= windowEnd) {
        m_cursor = static_cast<std::size_t>(position - m_windowStart);
        return;
    }
    // Outside the window: the next read fills a new window starting exactly there, so that
    // repeated seeks back to this position stay inside it.
    m_windowStart = position;
    m_windowLength = 0;
    m_cursor = 0;
}

bool SeekableLineReader::refill() {
    if (!m_file.is_open() || m_failed) {
        return false;
    }
    m_windowStart += static_cast<std::int64_t>(m_windowLength);
    m_windowLength = 0;
    m_cursor = 0;
    if (m_file.pubseekpos(static_cast<std::streamoff>(m_windowStart), std::ios::in) ==
        std::streampos(std::streamoff(-1))) {
        m_failed = true;
        return false;
    }
    const std::streamsize got =
        m_file.sgetn(m_buffer.get(), static_cast<std::streamsize>(m_capacity));
    if (got < 0) {
        m_failed = true;
        return false;
    }
    m_windowLength = static_cast<std::size_t>(got);
    return m_windowLength > 0;
}

bool SeekableLineReader::readLine(std::string& line) {
    std::string_view view;
    if (!nextLine(view)) {
        line.clear();
        return false;
    }
    line.assign(view);
    return true;
}

bool SeekableLineReader::nextScannedLine(std::string_view& line) {
    if (m_cursor == m_windowLength && !refill()) {
        line = {};
        return false;
    }
    const char* begin = m_buffer.get() + m_cursor;
    const std::size_t available = m_windowLength - m_cursor;
    const char* newline = findByte(begin, available, '\n');
    if (newline != nullptr) {
        // The whole line lies in the window: shown where it is.
        const auto length = static_cast<std::size_t>(newline - begin);
        line = std::string_view(begin, length > 0 && newline[-1] == '\r' ? length - 1 : length);
        m_cursor += length + 1;
        return true;
    }
    readLineAcrossWindows(m_joined);
    line = m_joined;
    return true;
}

// A line that runs past the end of the window, or is the last one without a line end.
bool SeekableLineReader::readLineAcrossWindows(std::string& line) {
    line.clear();
    for (;;) {
        if (m_cursor == m_windowLength && !refill()) {
            return true; // the file ends inside the line (there was at least one byte)
        }
        const char* begin = m_buffer.get() + m_cursor;
        const std::size_t available = m_windowLength - m_cursor;
        const auto* newline = static_cast<const char*>(std::memchr(begin, '\n', available));
        if (newline == nullptr) {
            line.append(begin, available);
            m_cursor = m_windowLength;
            continue;
        }
        line.append(begin, static_cast<std::size_t>(newline - begin));
        m_cursor += static_cast<std::size_t>(newline - begin) + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return true;
    }
}

} // namespace kw
