#include "common/text/patchable_file_writer.h"

#include <algorithm>

namespace kw {

PatchableFileWriter::PatchableFileWriter(std::size_t buffer)
    : m_bufferSize(std::max<std::size_t>(buffer, 16)) {}

PatchableFileWriter::~PatchableFileWriter() {
    close();
}

bool PatchableFileWriter::create(const std::filesystem::path& path) {
    close();
    m_failed = false;
    m_flushed = 0;
    m_pending.clear();
    m_pending.reserve(m_bufferSize);
    m_file.pubsetbuf(nullptr, 0);
    return m_file.open(path, std::ios::out | std::ios::trunc | std::ios::binary) != nullptr;
}

void PatchableFileWriter::write(std::string_view bytes) {
    if (!m_file.is_open()) {
        m_failed = true;
        return;
    }
    if (m_pending.size() + bytes.size() > m_bufferSize) {
        flush();
    }
    if (bytes.size() >= m_bufferSize) {
        // Larger than the buffer: straight to the file, no copy.
        if (m_file.sputn(bytes.data(), static_cast<std::streamsize>(bytes.size())) !=
            static_cast<std::streamsize>(bytes.size())) {
            m_failed = true;
        }
        m_flushed += static_cast<std::int64_t>(bytes.size());
        return;
    }
    m_pending.append(bytes);
}

bool PatchableFileWriter::flush() {
    if (m_pending.empty()) {
        return !m_failed;
    }
    if (m_file.sputn(m_pending.data(), static_cast<std::streamsize>(m_pending.size())) !=
        static_cast<std::streamsize>(m_pending.size())) {
        m_failed = true;
    }
    m_flushed += static_cast<std::int64_t>(m_pending.size());
    m_pending.clear();
    return !m_failed;
}

bool PatchableFileWriter::patch(std::int64_t position, std::string_view bytes) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    if (!m_file.is_open() || position < 0 || length > this->position() - position) {
        return false;
    }
    if (position >= m_flushed) {
        // Still in the buffer: no file access at all.
        std::copy(bytes.begin(), bytes.end(),
                  m_pending.begin() + static_cast<std::ptrdiff_t>(position - m_flushed));
        return true;
    }
    const std::int64_t end = this->position();
    flush();
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
    flush();
    if (m_file.close() == nullptr) {
        m_failed = true;
    }
    return !m_failed;
}

} // namespace kw
