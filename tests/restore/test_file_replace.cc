// What a rewritten file keeps of the old one, whichever way it was put in place.

#include <gtest/gtest.h>

#include <string>

#include "platform/file_replace.h"
#include "restore_fixtures.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace restore_test;

const std::string kNew = "new\r\n";

plat::RewriteResult Rewrite(const std::string& path) {
    plat::FilePiece piece = {kNew.data(), kNew.size()};
    return plat::RewriteFile(path.c_str(), &piece, 1);
}

#ifdef _WIN32
TEST(RewriteFile, KeepsHiddenAndSystemAttributes) {
    ScratchDir dir("attributes");
    std::string path = (dir.root() / "hosts").string();
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    for (auto calls :
         {plat::ReplaceCalls::All, plat::ReplaceCalls::NoReplaceFile, plat::ReplaceCalls::None}) {
        plat::RewriteUseCalls(calls);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteBytes(path, "old\r\n"));
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), kept));
        EXPECT_EQ(Rewrite(path), plat::RewriteOk);
        EXPECT_EQ(ReadBytes(path), kNew);
        EXPECT_EQ(GetFileAttributesA(path.c_str()), kept) << static_cast<int>(calls);
    }
    plat::RewriteUseCalls(plat::ReplaceCalls::All);
}
#else
TEST(RewriteFile, KeepsTheModeAndTheOwner) {
    ScratchDir dir("mode");
    std::string path = (dir.root() / "hosts").string();
    struct stat info;
    for (mode_t mode : {0644u, 0640u, 0604u}) {
        ASSERT_TRUE(WriteBytes(path, "old\r\n"));
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        EXPECT_EQ(Rewrite(path), plat::RewriteOk);
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
    }
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another owner";
    ASSERT_EQ(chown(path.c_str(), 4321, 4322), 0);
    EXPECT_EQ(Rewrite(path), plat::RewriteOk);
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
}
#endif

}  // namespace
