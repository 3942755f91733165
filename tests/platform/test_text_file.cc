// Text-mode appends: the bytes they leave on disk, the same as the runtime's; what is refused.

#include <gtest/gtest.h>

#include <string>

#include "platform/faults.h"
#include "platform/text_file.h"
#include "tests/support/test_files.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using testfiles::Show;

namespace {

struct AppendCase {
    const char* name;
    std::string before;
    std::string text;
    std::string after;
    bool failWrite = false;  // the first write fails
};

const AppendCase kAppendCases[] = {
    {"final_ctrl_z_cut", "T\r\n\x1a", "\nE\n", "T\r\n\r\nE\r\n"},
    {"only_ctrl_z", "\x1a", "\nE\n", "\r\nE\r\n"},
    {"one_of_two_ctrl_z_cut", "T\x1a\x1a", "\nE\n", "T\x1a\r\nE\r\n"},
    {"inner_ctrl_z_kept", "T\x1aU", "\nE\n", "T\x1aU\r\nE\r\n"},
    {"cr_written_as_is", "T", "a\rb", "Ta\rb"},
    {"one_character", "T", "x", "Tx"},
    {"long_text", "", std::string(600, 'x') + "\n", std::string(600, 'x') + "\r\n"},
    {"nothing_written_still_cuts", "T\x1a", "", "T"},
    {"failed_write_stays_failed", "T\x1a", "a\n", "T\x1a", true},
};

TEST(TextFileAppend, LeavesTheRuntimesBytes) {
    testfiles::TempDir dir;
    for (const auto& c : kAppendCases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.Join(std::string(c.name) + ".txt");
        ASSERT_TRUE(testfiles::WriteBytes(path, c.before));
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
        ASSERT_TRUE(testfiles::WriteBytes(real, c.before));
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
    std::string folder = dir.Join("folder"), readOnly = dir.Join("hosts"), pipe = dir.Join("pipe");
    ASSERT_TRUE(MakeDirs(folder) && WriteBytes(readOnly, "T") && SetReadOnly(readOnly, true));
#ifdef _WIN32
    const std::string device = "NUL";  // a device, whose data would never end
#else
    const std::string device = "/dev/zero";
#endif
    const std::pair<std::string, const char*> refused[] = {
        {folder, "rtz"},   {folder, "a+t"},       {dir.Join("missing"), "rtz"},
        {readOnly, "a+t"}, {dir.Join("x"), "rt"}, {dir.Join("missing/below"), "a+t"},
        {device, "rtz"},   {device, "a+t"}};
    for (const auto& [path, mode] : refused) {
        EXPECT_EQ(TextOpen(path.c_str(), mode), nullptr) << path << " " << mode;
    }
    EXPECT_EQ(TextOpen(nullptr, "rtz"), nullptr);
#ifndef _WIN32
    // A pipe is refused without waiting for a writer, and nothing is left open.
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const long handles = OpenHandles();
    for (const char* mode : {"rtz", "a+t"}) EXPECT_EQ(TextOpen(pipe.c_str(), mode), nullptr);
    EXPECT_EQ(OpenHandles(), handles);
#endif
    EXPECT_EQ(ReadBytes(dir.Join("missing")), std::nullopt);
    EXPECT_EQ(ReadBytes(readOnly), "T");
}

}  // namespace
