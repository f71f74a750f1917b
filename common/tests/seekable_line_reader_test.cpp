// The buffered line reader: positions lead back to their line from anywhere, also when the
// window is much smaller than the lines; and the patchable writer's bounds and errors.

#include "common/text/find_byte.h"
#include "common/text/patchable_file_writer.h"
#include "common/text/seekable_line_reader.h"

#include "common/text/line_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path scratchFile(const std::string& name, std::string_view content) {
    const fs::path path =
        fs::temp_directory_path() / ("kw_reader_" + std::to_string(::getpid()) + "_" + name);
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return path;
}

struct Line {
    std::int64_t position;
    std::string text;
};

std::vector<Line> readAll(kw::SeekableLineReader& reader) {
    std::vector<Line> lines;
    std::string line;
    for (std::int64_t at = reader.position(); reader.readLine(line); at = reader.position()) {
        lines.push_back({at, line});
    }
    return lines;
}

} // namespace

TEST(SeekableLineReader, PositionsLeadBackToTheSameLineWithAnyWindow) {
    const std::string content = "first\r\n\nsecond line is longer than the window\r\n\xE4\r\xF6\n"
                                "\r\nlast without end";
    const fs::path file = scratchFile("positions", content);
    // Window 0: the file loaded whole, with its index of line ends.
    for (std::size_t window : {16u, 17u, 64u, 1u << 20, 0u}) {
        kw::SeekableLineReader reader(window);
        ASSERT_TRUE(window == 0 ? reader.load(file) : reader.open(file));
        const auto lines = readAll(reader);
        ASSERT_EQ(6u, lines.size()) << window;
        EXPECT_EQ("second line is longer than the window", lines[2].text);
        EXPECT_EQ("\xE4\r\xF6", lines[3].text); // a CR inside a line is kept
        EXPECT_EQ("", lines[4].text);
        EXPECT_EQ("last without end", lines[5].text);
        // Back and forth in an order that crosses the window in both directions.
        for (std::size_t i : {5u, 0u, 3u, 2u, 2u, 4u, 1u}) {
            reader.seek(lines[i].position);
            std::string line;
            ASSERT_TRUE(reader.readLine(line));
            EXPECT_EQ(lines[i].text, line) << window << " line " << i;
        }
        // Into the middle of a line: its rest; past the end: nothing.
        reader.seek(lines[2].position + 7);
        std::string line;
        ASSERT_TRUE(reader.readLine(line));
        EXPECT_EQ("line is longer than the window", line) << window;
        ASSERT_TRUE(reader.readLine(line));
        EXPECT_EQ(lines[3].text, line) << window;
        reader.seek(static_cast<std::int64_t>(content.size()));
        EXPECT_FALSE(reader.readLine(line)) << window;
        EXPECT_FALSE(reader.failed());
    }
    fs::remove(file);
}

TEST(SeekableLineReader, EndOfFileAndOutOfRangeSeeks) {
    const fs::path file = scratchFile("ends", "a\nb\n");
    kw::SeekableLineReader reader(16);
    ASSERT_TRUE(reader.open(file));
    std::string line;
    reader.seek(1000);
    EXPECT_FALSE(reader.readLine(line));
    reader.seek(-5);
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ("a", line);
    reader.seek(4);
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_FALSE(kw::SeekableLineReader().open(file.string() + ".absent"));
    fs::remove(file);
}

TEST(PatchableFileWriter, PatchesOnlyWrittenBytesInBufferAndFile) {
    const fs::path file = fs::temp_directory_path() / ("kw_writer_" + std::to_string(::getpid()));
    kw::PatchableFileWriter writer(16);
    ASSERT_TRUE(writer.create(file));
    writer.write("0123456789");
    EXPECT_TRUE(writer.patch(2, "ab")); // still buffered
    writer.write("ABCDEFGHIJ");         // the first part goes to the file
    writer.write(std::string(40, '.')); // larger than the buffer
    writer.write("xyz");
    EXPECT_TRUE(writer.patch(0, "#"));    // in the file
    EXPECT_TRUE(writer.patch(9, "!!"));   // across what was flushed
    EXPECT_FALSE(writer.patch(62, "xy")); // would extend the file
    EXPECT_FALSE(writer.patch(-1, "x"));
    EXPECT_EQ(63, writer.position());
    ASSERT_TRUE(writer.close());
    EXPECT_EQ("#1ab45678!!BCDEFGHIJ" + std::string(40, '.') + "xyz",
              kw::readFileBytes(file).value());
    fs::remove(file);
}

TEST(PatchableFileWriter, ReportsAFullDisk) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    kw::PatchableFileWriter writer(16);
    ASSERT_TRUE(writer.create("/dev/full"));
    writer.write(std::string(100, 'x'));
    EXPECT_FALSE(writer.close());
}

TEST(PatchableFileWriter, StagesLinesUntilTheyAreCommittedOrDropped) {
    const fs::path file = fs::temp_directory_path() / ("kw_stage_" + std::to_string(::getpid()));
    kw::PatchableFileWriter writer(16);
    ASSERT_TRUE(writer.create(file));
    writer.write("HEAD\r\n");
    writer.stageLine("dropped");
    EXPECT_EQ(6, writer.position());    // staged bytes have no position yet
    EXPECT_FALSE(writer.patch(6, "x")); // and cannot be patched
    writer.dropStaged();
    writer.stageLine("kept line longer than the buffer \xE4");
    writer.stageLine("a\nb\r\nc");
    writer.commitStaged();
    writer.stageLine("cut off by the end");
    EXPECT_TRUE(writer.patch(0, "h"));
    ASSERT_TRUE(writer.close());
    EXPECT_EQ("hEAD\r\nkept line longer than the buffer \xE4\r\na\r\nb\r\nc\r\n",
              kw::readFileBytes(file).value());
    fs::remove(file);
}

TEST(FindByte, AgreesWithAPlainSearchForEveryLengthAndPosition) {
    for (std::size_t length = 0; length <= 48; ++length) {
        for (std::size_t at = 0; at <= length; ++at) { // at == length: no such byte
            std::string text(length, 'a');
            // Never a line feed, but its neighbours and high bytes, which a word-wise test
            // could mistake for one.
            constexpr char kFill[] = {'a', '\x09', '\x0B', '\x8A', '\xFF', '\x1A', 'z'};
            for (std::size_t i = 0; i < length; ++i) {
                text[i] = kFill[i % sizeof kFill];
            }
            if (at < length) {
                text[at] = '\n';
                if (at + 3 < length) {
                    text[at + 3] = '\n'; // a later one must not win
                }
            }
            const char* found = kw::findByte(text.data(), length, '\n');
            EXPECT_EQ(at < length ? text.data() + at : nullptr, found) << length << " " << at;
            std::string copy(length, '#');
            EXPECT_EQ(at, kw::copyUntilByte(copy.data(), text.data(), length, '\n'));
            EXPECT_EQ(text.substr(0, at), copy.substr(0, at)) << length << " " << at;
        }
    }
}
