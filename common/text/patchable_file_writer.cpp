#include "common/text/patchable_file_writer.h"

#include <algorithm>
#include <cstring>

namespace kw {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
constexpr std::uint64_t kLineFeeds = kOnes * '\n';

// Whether one of the eight bytes of a word is a line feed.
bool hasLineFeed(std::uint64_t word) {
    const std::uint64_t x = word ^ kLineFeeds;
    return ((x - kOnes) & ~x & kHighs) != 0;
}

} // namespace

PatchableFileWriter::PatchableFileWriter(std::size_t buffer)
    : m_capacity(std::max<std::size_t>(buffer, 16)) {}

PatchableFileWriter::~PatchableFileWriter() {
    close();
}

bool PatchableFileWriter::create(const std::filesystem::path& path) {
    close();
    m_failed = false;
    m_flushed = 0;
    m_committed = 0;
    m_size = 0;
    if (!m_buffer) {
        m_buffer.reset(new char[m_capacity]);
    }
    m_file.pubsetbuf(nullptr, 0);
    return m_file.open(path, std::ios::out | std::ios::trunc | std::ios::binary) != nullptr;
}

// Room for `bytes` more at the end of the buffer. Committed bytes go to the file first when
// the buffer is full; a staged piece larger than the buffer makes the buffer grow.
char* PatchableFileWriter::reserveTail(std::size_t bytes) {
    if (m_size + bytes > m_capacity) {
        flushCommitted();
    }
    if (m_size + bytes > m_capacity) {
        const std::size_t capacity = std::max(m_capacity * 2, m_size + bytes);
        std::unique_ptr<char[]> larger(new char[capacity]);
        std::memcpy(larger.get(), m_buffer.get(), m_size);
        m_buffer = std::move(larger);
        m_capacity = capacity;
    }
    return m_buffer.get() + m_size;
}

void PatchableFileWriter::stage(std::string_view bytes) {
    if (!m_buffer) {
        m_failed = true;
        return;
    }
    std::memcpy(reserveTail(bytes.size()), bytes.data(), bytes.size());
    m_size += bytes.size();
}

void PatchableFileWriter::stageLine(std::string_view line) {
    if (!m_buffer) {
        m_failed = true;
        return;
    }
    // Copied a word at a time while looking for line feeds, which almost never occur.
    char* out = reserveTail(line.size() + 2);
    const char* in = line.data();
    std::size_t i = 0;
    for (; i + 8 <= line.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, in + i, 8);
        if (hasLineFeed(word)) {
            stageLineSlowly(line);
            return;
        }
        std::memcpy(out + i, &word, 8);
    }
    for (; i < line.size(); ++i) {
        if (in[i] == '\n') {
            stageLineSlowly(line);
            return;
        }
        out[i] = in[i];
    }
    out[i] = '\r';
    out[i + 1] = '\n';
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
    if (!m_file.is_open() ||
        m_file.sputn(m_buffer.get(), static_cast<std::streamsize>(m_committed)) !=
            static_cast<std::streamsize>(m_committed)) {
        m_failed = true;
    }
    m_flushed += static_cast<std::int64_t>(m_committed);
    std::memmove(m_buffer.get(), m_buffer.get() + m_committed, m_size - m_committed);
    m_size -= m_committed;
    m_committed = 0;
}

bool PatchableFileWriter::patch(std::int64_t position, std::string_view bytes) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    if (!m_file.is_open() || position < 0 || length > this->position() - position) {
        return false;
    }
    if (position >= m_flushed) {
        // Still in the buffer: no file access at all.
        std::memcpy(m_buffer.get() + (position - m_flushed), bytes.data(), bytes.size());
        return true;
    }
    const std::int64_t end = this->position();
    flushCommitted();
    const bool written = m_file.pubseekpos(static_cast<std::streamoff>(position), std::ios::out) !=
                             std::streampos(std::streamoff(-1)) &&
                         m_file.sputn(bytes.data(), static_cast<std::streamsize>(length)) ==
                             static_cast<std::streamsize>(length);
    const bool back = m_file.pubseekpos(static_cast<std::streamoff>(end), std::ios::out) !=
                      std::streampos(std::streamoff(-1));
    if (!written || !back) {
        m_failed = true;
    }
    return written;
}

bool PatchableFileWriter::close() {
    if (!m_file.is_open()) {
        return false;
    }
    dropStaged();
    flushCommitted();
    if (m_file.close() == nullptr) {
        m_failed = true;
    }
    return !m_failed;
}

} // namespace kw
