// The hosts line reader: how a file's bytes come back as lines.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "remover/hosts_line.h"
#include "tests/support/test_files.h"

namespace {

std::vector<std::string> Lines(const std::string& path, int size) {
    std::vector<std::string> lines;
    TextFile* file = TextOpen(path.c_str(), "rt");
    if (!file) return {"<no file>"};
    std::vector<char> buffer(size > 0 ? size : 1, '#');
    // A reader that never ends would hang the test; no case has this many lines.
    while (lines.size() < 20 && ReadHostsLine(file, buffer.data(), size)) {
        lines.emplace_back(buffer.data());
    }
    TextClose(file);
    return lines;
}

TEST(ReadHostsLine, SplitsTheDataIntoLines) {
    const std::string l255(255, 'a');
    const std::string l300(300, 'b');
    struct Case {
        const char* name;
        std::string disk;
        std::vector<std::string> lines;
    } cases[] = {
        {"empty", "", {}},
        {"crlf", "A\r\nB\r\n", {"A", "B"}},
        {"last_line_without_break", "A\r\nB", {"A", "B"}},
        {"lone_lf", "A\nB\n", {"A", "B"}},
        {"blank_lines", "\r\n\r\nA", {"", "", "A"}},
        {"lone_cr_stays_in_line", "A\rB\r\r\nC", {"A\rB\r", "C"}},
        {"ctrl_z_ends",
         std::string("A\r\nB\x1a"
                     "C\r\n"),
         {"A", "B"}},
        {"ff_byte", "\xff\r\n", {"\xff"}},
        {"line_of_255_then_empty_piece", l255 + "\r\nX", {l255, "", "X"}},
        {"line_of_300_in_pieces", l300 + "\n", {std::string(255, 'b'), std::string(45, 'b')}},
    };
    testfiles::TempDir dir;
    std::string path = dir.Join("hosts");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testfiles::WriteBytes(path, c.disk));
        EXPECT_EQ(Lines(path, 256), c.lines);
    }
}

TEST(ReadHostsLine, TinyBuffers) {
    testfiles::TempDir dir;
    std::string path = dir.Join("hosts");
    ASSERT_TRUE(testfiles::WriteBytes(path, "AB"));
    TextFile* file = TextOpen(path.c_str(), "rt");
    ASSERT_NE(file, nullptr);
    char buffer[4] = {'#', '#', '#', '#'};
    // Room for the terminator only: nothing read, still true.
    EXPECT_TRUE(ReadHostsLine(file, buffer, 1));
    EXPECT_EQ(buffer[0], 0);
    // No room at all: nothing may be written.
    buffer[0] = '#';
    EXPECT_TRUE(ReadHostsLine(file, buffer, 0));
    EXPECT_EQ(buffer[0], '#');
    EXPECT_TRUE(ReadHostsLine(file, buffer, 2));
    EXPECT_STREQ(buffer, "A");
    EXPECT_TRUE(ReadHostsLine(file, buffer, 4));
    EXPECT_STREQ(buffer, "B");
    EXPECT_FALSE(ReadHostsLine(file, buffer, 4));
    EXPECT_FALSE(ReadHostsLine(file, buffer, 1));
    TextClose(file);
}

}  // namespace
