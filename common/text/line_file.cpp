#include "common/text/line_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kw {

namespace {

// A name beside the target that no concurrent writer of this process or another one uses.
std::filesystem::path temporaryNameFor(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary = target;
    temporary += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    return temporary;
}

} // namespace

std::vector<std::string> splitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const bool terminated = end != std::string_view::npos;
        if (!terminated) {
            end = bytes.size();
        }
        std::size_t lineEnd = end;
        if (terminated && lineEnd > start && bytes[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        lines.emplace_back(bytes.substr(start, lineEnd - start));
        start = end + 1;
    }
    return lines;
}

std::optional<std::string> readFileBytes(const std::filesystem::path& path) {
    return readFileBytes(path, std::string().max_size(), nullptr);
}

std::optional<std::string> readFileBytes(const std::filesystem::path& path, std::size_t maxBytes,
                                         ReadProblem* problem) {
    ReadProblem ignored;
    ReadProblem& why = problem ? *problem : ignored;
    why = ReadProblem{};
    // Plain C streams: a read error (a folder, a device that fails) is a result to report,
    // never an exception escaping from a stream buffer.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        why.error = errno;
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    std::size_t got = 0;
    while (!why.tooLarge && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        why.tooLarge = got > maxBytes - content.size();
        content.append(buffer, why.tooLarge ? 0 : got);
    }
    if (std::ferror(file) != 0) {
        why.error = errno != 0 ? errno : EIO;
    }
    std::fclose(file);
    if (why.error != 0 || why.tooLarge) {
        return std::nullopt;
    }
    return content;
}

std::optional<std::vector<std::string>> readLineFile(const std::filesystem::path& path) {
    return readLineFile(path, std::string().max_size(), nullptr);
}

std::optional<std::vector<std::string>> readLineFile(const std::filesystem::path& path,
                                                     std::size_t maxBytes, ReadProblem* problem) {
    auto content = readFileBytes(path, maxBytes, problem);
    if (!content) {
        return std::nullopt;
    }
    return splitLines(*content);
}

std::string readProblemText(const ReadProblem& problem, std::size_t maxBytes) {
    if (problem.tooLarge) {
        return "sie ist größer als " + std::to_string(maxBytes) + " Bytes";
    }
    return std::strerror(problem.error);
}

LineFileWriter::LineFileWriter(std::filesystem::path target, Durability durability)
    : m_target(std::move(target)),
      m_temporary(durability == Durability::Staged ? m_target : temporaryNameFor(m_target)),
      m_durability(durability) {
    m_file = std::fopen(m_temporary.c_str(), "wb");
}

LineFileWriter::~LineFileWriter() {
    discard();
}

void LineFileWriter::writeRaw(std::string_view bytes) {
    if (m_file == nullptr || bytes.empty()) {
        return;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        m_failed = true;
    }
}

void LineFileWriter::writeLine(std::string_view line) {
    writeRaw(line);
    writeRaw("\r\n");
}

bool LineFileWriter::commit() {
    if (m_file == nullptr) {
        return false;
    }
    const bool flushed = std::fflush(m_file) == 0 &&
                         (m_durability == Durability::Staged || ::fsync(::fileno(m_file)) == 0);
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (m_failed || !flushed || !closed) {
        discard();
        return false;
    }
    std::error_code error;
    if (m_durability != Durability::Staged) {
        std::filesystem::rename(m_temporary, m_target, error);
    }
    if (error) {
        discard();
        return false;
    }
    m_temporary.clear();
    return true;
}

void LineFileWriter::discard() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporary.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_temporary, ignored);
        m_temporary.clear();
    }
}

bool writeLineFile(const std::filesystem::path& path, const std::vector<std::string>& lines,
                   Durability durability) {
    LineFileWriter writer(path, durability);
    if (!writer.isOpen()) {
        return false;
    }
    for (const auto& line : lines) {
        writer.writeLine(line);
    }
    return writer.commit();
}

} // namespace kw
