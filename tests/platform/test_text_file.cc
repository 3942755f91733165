// Text-mode streams: the bytes a reader sees and the bytes an append leaves on disk.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/text_file.h"
#include "tests/support/test_files.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using testfiles::Show;

namespace {

// The characters up to the end, which must come as -1 when it is reached.
std::string ReadAll(TextFile* file) {
    std::string out;
    int c = TextGetc(file);
    for (; !TextEof(file); c = TextGetc(file)) out += static_cast<char>(c);
    return c == -1 ? out : out + "<end " + std::to_string(c) + ">";
}

struct ReadCase {
    const char* name;
    std::string disk;
    std::string seen;
};

const std::vector<ReadCase> kReadCases = {
    {"empty", "", ""},
    {"crlf_becomes_lf", "a\r\nb\r\n", "a\nb\n"},
    {"lone_lf_kept", "a\nb", "a\nb"},
    {"lone_cr_kept", "a\rb", "a\rb"},
    {"cr_at_end_kept", "a\r", "a\r"},
    {"cr_cr_lf", "a\r\r\nb", "a\r\nb"},
    {"ctrl_z_ends_data",
     std::string("ab\x1a"
                 "cd\r\n"),
     "ab"},
    {"ctrl_z_first",
     std::string("\x1a"
                 "ab"),
     ""},
    {"cr_before_ctrl_z", std::string("a\r\x1a\n"), "a\r"},
    {"ff_is_a_character", "\xff\xfe\xff", "\xff\xfe\xff"},
    {"zero_byte_is_a_character", std::string("a\0b", 3), std::string("a\0b", 3)},
};

TEST(TextFileRead, TranslatesAsTheRuntimeDoes) {
    testfiles::TempDir dir;
    std::string path = dir.Join("hosts");
    for (const auto& c : kReadCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testfiles::WriteBytes(path, c.disk));
        TextFile* file = TextOpen(path.c_str(), "rt");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(Show(ReadAll(file)), Show(c.seen));
        // The end is a state that stays.
        EXPECT_EQ(TextGetc(file), -1);
        EXPECT_TRUE(TextEof(file));
        EXPECT_TRUE(TextClose(file));
#ifdef _WIN32
        // The real runtime's text mode reads the same characters.
        FILE* real = fopen(path.c_str(), "rt");
        ASSERT_NE(real, nullptr);
        std::string seen;
        for (int ch = getc(real); !feof(real); ch = getc(real)) seen += static_cast<char>(ch);
        fclose(real);
        EXPECT_EQ(Show(seen), Show(c.seen));
#endif
    }
}

struct AppendCase {
    const char* name;
    bool exists;
    std::string before;
    std::string text;
    std::string after;
    bool failWrite = false;  // the first write fails
};

const std::vector<AppendCase> kAppendCases = {
    {"created", false, "", "\nE\n", "\r\nE\r\n"},
    {"after_crlf", true, "T\r\n", "\nE\n", "T\r\n\r\nE\r\n"},
    {"after_text", true, "T", "\nE\n", "T\r\nE\r\n"},
    {"empty_file", true, "", "\nE\n", "\r\nE\r\n"},
    {"final_ctrl_z_cut", true, std::string("T\r\n\x1a"), "\nE\n", "T\r\n\r\nE\r\n"},
    {"only_ctrl_z", true, std::string("\x1a"), "\nE\n", "\r\nE\r\n"},
    {"one_of_two_ctrl_z_cut", true, std::string("T\x1a\x1a"), "\nE\n",
     std::string("T\x1a\r\nE\r\n")},
    {"inner_ctrl_z_kept", true, std::string("T\x1aU"), "\nE\n", std::string("T\x1aU\r\nE\r\n")},
    {"cr_written_as_is", true, "T", "a\rb", "Ta\rb"},
    {"long_text", true, "", std::string(600, 'x') + "\n", std::string(600, 'x') + "\r\n"},
    {"nothing_written_still_cuts", true, std::string("T\x1a"), "", "T"},
    {"failed_write_stays_failed", true, std::string("T\x1a"), "a\n", std::string("T\x1a"), true},
};

TEST(TextFileAppend, LeavesTheRuntimesBytes) {
    testfiles::TempDir dir;
    for (const auto& c : kAppendCases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.Join(std::string(c.name) + ".txt");
        if (c.exists) {
            ASSERT_TRUE(testfiles::WriteBytes(path, c.before));
        }
        TextFile* file = TextOpen(path.c_str(), "a+t");
        ASSERT_NE(file, nullptr);
        if (c.failWrite) FaultArm(Fault::Write, 0);
        EXPECT_EQ(TextPuts(c.text.c_str(), file), !c.failWrite);
        // After a failed write no later one may succeed: the append as a whole has failed.
        EXPECT_EQ(TextPuts("", file), !c.failWrite);
        EXPECT_EQ(TextClose(file), !c.failWrite);
        FaultsClear();
        EXPECT_EQ(Show(testfiles::ReadBytes(path).value_or("<missing>")), Show(c.after));
#ifdef _WIN32
        // The real runtime appends the same bytes. Not after a final Ctrl-Z: Wine's runtime,
        // unlike Windows', keeps that byte.
        if (!c.before.empty() && c.before.back() == '\x1a') continue;
        std::string real = path + ".real";
        if (c.exists) {
            ASSERT_TRUE(testfiles::WriteBytes(real, c.before));
        }
        FILE* stream = fopen(real.c_str(), "a+t");
        ASSERT_NE(stream, nullptr);
        fputs(c.text.c_str(), stream);
        fclose(stream);
        EXPECT_EQ(Show(testfiles::ReadBytes(real).value_or("<missing>")), Show(c.after));
#endif
    }
}

// Also a read-only file for appending, which on Linux only the layer refuses.
TEST(TextFileOpen, RefusesWhatIsNotAFileOrMode) {
    using namespace testfiles;
    TempDir dir;
    std::string folder = dir.Join("folder"), readOnly = dir.Join("hosts");
    ASSERT_TRUE(MakeDirs(folder) && WriteBytes(readOnly, "T") && SetReadOnly(readOnly, true));
    const std::pair<std::string, const char*> refused[] = {
        {folder, "rt"},    {folder, "a+t"},       {dir.Join("missing"), "rt"},
        {readOnly, "a+t"}, {dir.Join("x"), "wt"}, {dir.Join("missing/below"), "a+t"}};
    for (const auto& [path, mode] : refused) {
        EXPECT_EQ(TextOpen(path.c_str(), mode), nullptr) << path << " " << mode;
    }
    EXPECT_EQ(TextOpen(nullptr, "rt"), nullptr);
#ifndef _WIN32
    // A pipe cannot be searched for its end; its stream is closed again.
    ASSERT_EQ(mkfifo(dir.Join("pipe").c_str(), 0600), 0);
    const long handles = OpenHandles();
    EXPECT_EQ(TextOpen(dir.Join("pipe").c_str(), "a+t"), nullptr);
    EXPECT_EQ(OpenHandles(), handles);
#endif
    EXPECT_FALSE(Exists(dir.Join("missing")));
    EXPECT_EQ(ReadBytes(readOnly), "T");
}

}  // namespace
