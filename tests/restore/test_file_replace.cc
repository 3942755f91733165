// RewriteFile on its own: what it reports for each failure, and what the new file keeps of
// the old one.

#include <gtest/gtest.h>

#include <string>

#include "platform/faults.h"
#include "platform/file_replace.h"
#include "restore_fixtures.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace restore_test;

const std::string kOld = "old line\r\n";
const std::string kHead = "new ";
const std::string kTail = "line\r\n";

plat::RewriteResult Rewrite(const std::string& path) {
    plat::FilePiece pieces[2] = {{kHead.data(), kHead.size()}, {kTail.data(), kTail.size()}};
    return plat::RewriteFile(path.c_str(), pieces, 2);
}

class RewriteFile : public ::testing::Test {
  protected:
    RewriteFile() : dir_("rewrite"), path_((dir_.root() / "hosts").string()) {}
    ~RewriteFile() override { FaultsClear(); }

    std::string Content() const {
        std::string bytes;
        return ReadBytes(path_, &bytes) ? bytes : "(missing)";
    }

    ScratchDir dir_;
    std::string path_;
};

TEST_F(RewriteFile, ReportsEachFailureByItsOwnResult) {
    struct {
        Fault point;
        plat::RewriteResult expected;
    } const cases[] = {
        {Fault::Write, plat::RewriteWriteFailed},
        {Fault::Flush, plat::RewriteFlushFailed},
        {Fault::Close, plat::RewriteCloseFailed},
        {Fault::SetAttributes, plat::RewriteAttributesFailed},
        {Fault::Replace, plat::RewriteReplaceFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.point));
        ASSERT_TRUE(WriteBytes(path_, kOld));
        FaultArm(c.point, 0);
        EXPECT_EQ(Rewrite(path_), c.expected);
        FaultsClear();
        EXPECT_EQ(Content(), kOld);
        EXPECT_EQ(dir_.NamesBeside(path_), std::vector<std::string>{"hosts"});
    }
    EXPECT_EQ(Rewrite(path_), plat::RewriteOk);
    EXPECT_EQ(Content(), kHead + kTail);
}

TEST_F(RewriteFile, CreatesAMissingFileAndWritesEmptyOnes) {
    EXPECT_EQ(Rewrite(path_), plat::RewriteOk);
    EXPECT_EQ(Content(), kHead + kTail);
    EXPECT_EQ(plat::RewriteFile(path_.c_str(), nullptr, 0), plat::RewriteOk);
    EXPECT_EQ(Content(), "");
    EXPECT_EQ(dir_.NamesBeside(path_), std::vector<std::string>{"hosts"});
}

TEST_F(RewriteFile, RefusesWhatCannotBeWritten) {
    ASSERT_TRUE(WriteBytes(path_, kOld));
    ASSERT_TRUE(MakeReadOnly(path_));
    EXPECT_EQ(Rewrite(path_), plat::RewriteRefused);
    EXPECT_EQ(Content(), kOld);
    EXPECT_EQ(dir_.NamesBeside(path_), std::vector<std::string>{"hosts"});

    std::string folder = (dir_.root() / "folder").string();
    std::filesystem::create_directory(folder);
    EXPECT_EQ(Rewrite(folder), plat::RewriteRefused);
    EXPECT_EQ(Rewrite((dir_.root() / "none" / "hosts").string()), plat::RewriteNoTemp);
}

#ifdef _WIN32
TEST_F(RewriteFile, KeepsHiddenAndSystemAttributesAndRefusesReadOnlyWhateverTheWay) {
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    for (plat::ReplaceCalls calls :
         {plat::ReplaceCalls::All, plat::ReplaceCalls::NoReplaceFile, plat::ReplaceCalls::None}) {
        SCOPED_TRACE(static_cast<int>(calls));
        plat::RewriteUseCalls(calls);
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteBytes(path_, kOld));
        ASSERT_TRUE(SetFileAttributesA(path_.c_str(), kept));
        EXPECT_EQ(Rewrite(path_), plat::RewriteOk);
        EXPECT_EQ(Content(), kHead + kTail);
        EXPECT_EQ(GetFileAttributesA(path_.c_str()), kept);

        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteBytes(path_, kOld));
        ASSERT_TRUE(SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_EQ(Rewrite(path_), plat::RewriteRefused);
        EXPECT_EQ(Content(), kOld);
        EXPECT_EQ(dir_.NamesBeside(path_), std::vector<std::string>{"hosts"});
    }
    plat::RewriteUseCalls(plat::ReplaceCalls::All);
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#else
TEST_F(RewriteFile, KeepsTheModeAndTheOwner) {
    struct stat info;
    for (mode_t mode : {0644u, 0640u, 0604u, 0755u}) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(WriteBytes(path_, kOld));
        ASSERT_EQ(chmod(path_.c_str(), mode), 0);
        EXPECT_EQ(Rewrite(path_), plat::RewriteOk);
        ASSERT_EQ(stat(path_.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
    }
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another owner";
    ASSERT_EQ(chown(path_.c_str(), 4321, 4322), 0);
    EXPECT_EQ(Rewrite(path_), plat::RewriteOk);
    ASSERT_EQ(stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
}

TEST_F(RewriteFile, GivesANewFileTheModeACreateWould) {
    mode_t mask = umask(022);
    EXPECT_EQ(Rewrite(path_), plat::RewriteOk);
    umask(mask);
    struct stat info;
    ASSERT_EQ(stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}
#endif

}  // namespace
