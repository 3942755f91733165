// Folders and attributes against the system's own calls (real Win32 under Wine).

#include <gtest/gtest.h>

#include <string>

#include "platform/file.h"
#include "platform/system.h"
#include "tests/support/test_files.h"

namespace {

#ifdef _WIN32
// The test build answers from the real system when no stand-in is set.
TEST(SystemLayout, WithoutLayoutTheRealSystemAnswers) {
    char mine[MAX_PATH];
    char real[MAX_PATH];
    ASSERT_GT(plat::GetWindowsDirectoryA(mine, MAX_PATH), 0u);
    ASSERT_GT(GetWindowsDirectoryA(real, MAX_PATH), 0u);
    EXPECT_STREQ(mine, real);
}
#endif

TEST(FileAttributes, ReadOnlyBitMatchesTheSystem) {
    testfiles::TempDir dir;
    std::string path = dir.Join("hosts");
    EXPECT_EQ(plat::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(plat::SetFileAttributesA(path.c_str(), 0x20));

    ASSERT_TRUE(testfiles::WriteBytes(path, "x"));
    DWORD attributes = plat::GetFileAttributesA(path.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);

    ASSERT_TRUE(plat::SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(testfiles::IsReadOnly(path));
    attributes = plat::GetFileAttributesA(path.c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_READONLY, 0u);
    // Refused for writing, by the system itself on Windows and by the layer on Linux.
    FILE* file = plat::OpenFile(path.c_str(), "r+b");
    EXPECT_EQ(file, nullptr);
    if (file) fclose(file);

    ASSERT_TRUE(plat::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(testfiles::IsReadOnly(path));
    EXPECT_NE(plat::GetFileAttributesA(dir.path().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

}  // namespace
