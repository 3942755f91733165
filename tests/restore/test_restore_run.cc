// The restore pass through its message sink, on folders standing in for Windows: the boxes
// the user sees, and what becomes of the hosts file, also when the disk fails.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_replace.h"
#include "restore_fixtures.h"

namespace {

using namespace restore_test;
using Boxes = std::vector<std::string>;

const std::string kPatched = "127.0.0.1 localhost\r\n\r\n" + kEntry + "\r\n::1 localhost\r\n";
const std::string kRestored = "127.0.0.1 localhost\r\n::1 localhost\r\n";
const std::string kNothingBox =
    "0x40 Vantrel: Adverts has not been removed.\nSo there is nothing to restore.";
const std::string kConfirmBox =
    "0x24 Vantrel: Are you sure you want to restore those annoying msn adverts?";
const std::string kRestoredBox = "0x40 Vantrel: Adverts has ben restored!";
const std::string kErrorBox = "0x30 Vantrel: Error rewriting host file!";

class RestoreRun : public ::testing::Test {
  protected:
    RestoreRun() : dir_("run") {}
    ~RestoreRun() override { plat::SetSystemLayout(nullptr); }

    Boxes Run(int answer) {
        RecordingSink sink(answer);
        RunRestore(sink);
        return sink.shown;
    }

    ScratchDir dir_;
};

TEST_F(RestoreRun, ShowsTheBoxesOfEachOutcome) {
    const std::string upper = "a b\r\n" + Upper(kEntry) + "\r\n";
    const struct {
        const char* name;
        bool exists;
        std::string bytes;
        int answer;
        Boxes boxes;
        std::string after;
    } cases[] = {
        {"missing file", false, "", IDYES, {}, "(missing)"},
        {"no host name",
         true,
         "127.0.0.1 localhost\r\n",
         IDYES,
         {kNothingBox},
         "127.0.0.1 localhost\r\n"},
        {"empty file", true, "", IDYES, {kNothingBox}, ""},
        {"shorter than the name", true, kHost.substr(1), IDYES, {kNothingBox}, kHost.substr(1)},
        {"answer yes", true, kPatched, IDYES, {kConfirmBox, kRestoredBox}, kRestored},
        {"answer no", true, kPatched, IDNO, {kConfirmBox}, kPatched},
        {"only IDYES consents", true, kPatched, IDOK, {kConfirmBox}, kPatched},
        {"upper case", true, upper, IDYES, {kConfirmBox, kRestoredBox}, "a b\r\n"},
    };
    for (const auto& c : cases) {
        // 0 and 1 take the Windows folder, 2 the system folder; the other one is a decoy.
        for (DWORD platformId : {0u, 1u, 2u}) {
            SCOPED_TRACE(std::string(c.name) + ", platform id " + std::to_string(platformId));
            std::string decoy = dir_.UseLayout(platformId == 2 ? 1 : 2);
            ASSERT_TRUE(WriteBytes(decoy, kPatched));
            std::string hosts = dir_.UseLayout(platformId);
            std::remove(hosts.c_str());
            if (c.exists) {
                ASSERT_TRUE(WriteBytes(hosts, c.bytes));
            }
            Boxes names = NamesBeside(hosts);
            EXPECT_EQ(Run(c.answer), c.boxes);
            EXPECT_EQ(Visible(ReadBytes(hosts)), Visible(c.after));
            EXPECT_EQ(NamesBeside(hosts), names) << "a file was left beside the hosts file";
            EXPECT_EQ(ReadBytes(decoy), kPatched);
        }
    }
}

TEST_F(RestoreRun, ReadOnlyFileIsAskedAboutThenLeftAsItWas) {
    std::string hosts = dir_.UseLayout(2);
    ASSERT_TRUE(WriteBytes(hosts, kPatched));
    ASSERT_TRUE(plat::SetFileAttributesA(hosts.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Run(IDYES), (Boxes{kConfirmBox, kErrorBox}));
    EXPECT_EQ(ReadBytes(hosts), kPatched);
    EXPECT_EQ(NamesBeside(hosts), Boxes{"hosts"});
}

// A folder too long for the file part is refused before anything is copied.
TEST_F(RestoreRun, FolderTooLongForThePathEndsSilently) {
    for (size_t length : {254u, 259u, 260u, 1000u}) {
        std::string folder = dir_.root().string();
        folder += std::string(length - folder.size(), 'w');
        plat::SystemLayout layout = {1, folder.c_str(), folder.c_str()};
        plat::SetSystemLayout(&layout);
        EXPECT_EQ(Run(IDYES), Boxes{}) << length;
    }
#ifndef _WIN32  // Windows cannot make a folder this long
    std::string folder = dir_.root().string() + "/";
    folder += std::string(MAX_PATH - 1 - 6 - folder.size(), 'w');  // "\hosts" just fits
    fs::create_directory(folder);
    ASSERT_TRUE(WriteBytes(folder + "/hosts", kPatched));
    plat::SystemLayout layout = {1, folder.c_str(), folder.c_str()};
    plat::SetSystemLayout(&layout);
    EXPECT_EQ(Run(IDYES), (Boxes{kConfirmBox, kRestoredBox}));
#endif
}

// Each point of no return fails in turn at each of its calls: the user is told, and the
// hosts file is byte for byte the old one, with nothing left beside it.
void FailEachCall(const ScratchDir& dir) {
    for (Fault point :
         {Fault::Write, Fault::Flush, Fault::Close, Fault::SetAttributes, Fault::Replace}) {
        int failures = 0;
        for (int skip = 0;; ++skip) {
            SCOPED_TRACE("point " + std::to_string(static_cast<int>(point)) + ", skip " +
                         std::to_string(skip));
            std::string hosts = dir.UseLayout(1);
            ASSERT_TRUE(WriteBytes(hosts, kPatched));
            FaultArm(point, skip);
            RecordingSink sink(IDYES);
            RunRestore(sink);
            FaultsClear();
            EXPECT_EQ(NamesBeside(hosts), Boxes{"hosts"});
            if (sink.shown.back() == kRestoredBox) {
                EXPECT_EQ(Visible(ReadBytes(hosts)), Visible(kRestored));
                break;
            }
            EXPECT_EQ(sink.shown, (Boxes{kConfirmBox, kErrorBox}));
            EXPECT_EQ(Visible(ReadBytes(hosts)), Visible(kPatched));
            ASSERT_LT(++failures, 4);
        }
        // Head and tail are two writes; the renaming fallback has two steps.
        EXPECT_GE(failures, point == Fault::Write ? 2 : 1) << static_cast<int>(point);
    }
}

TEST_F(RestoreRun, FailuresWhileRewritingLeaveTheOldFile) {
    FailEachCall(dir_);
}

#ifdef _WIN32
// NT 4 has no ReplaceFileA; 95/98/Me have no working MoveFileExA either.
TEST_F(RestoreRun, FailuresOnOlderWindowsLeaveTheOldFile) {
    for (auto calls : {plat::ReplaceCalls::NoReplaceFile, plat::ReplaceCalls::None}) {
        SCOPED_TRACE(static_cast<int>(calls));
        plat::RewriteUseCalls(calls);
        FailEachCall(dir_);
    }
    plat::RewriteUseCalls(plat::ReplaceCalls::All);
}
#endif

}  // namespace
