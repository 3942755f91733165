// The restore pass through its message sink, on folders standing in for Windows: which
// boxes the user sees, and what becomes of the hosts file, also when the disk fails.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/file_replace.h"
#include "restore_fixtures.h"

namespace {

using namespace restore_test;

const std::string kPatched = "127.0.0.1 localhost\r\n\r\n" + kEntry + "\r\n";
const std::string kUnpatched = "127.0.0.1 localhost\r\n";
// With lines after the entry, so that the rewrite writes a head and a tail.
const std::string kPatchedMiddle = kPatched + "::1 localhost\r\n";
const std::string kUnpatchedMiddle = kUnpatched + "::1 localhost\r\n";

const Shown kNothingBox = {kNothing, kCaption, MB_ICONINFORMATION};
const Shown kConfirmBox = {kConfirm, kCaption, MB_ICONQUESTION | MB_YESNO};
const Shown kRestoredBox = {kRestored, kCaption, MB_ICONINFORMATION};
const Shown kErrorBox = {kRewriteError, kCaption, MB_ICONWARNING};

std::string Describe(const std::vector<Shown>& shown) {
    std::string text;
    for (const Shown& box : shown) {
        char style[16];
        snprintf(style, sizeof style, "0x%x ", box.style);
        text += style + box.caption + ": " + Visible(box.text) + "\n";
    }
    return text.empty() ? "(nothing)" : text;
}

class RestoreRun : public ::testing::Test {
  protected:
    RestoreRun() : dir_("run") {}
    ~RestoreRun() override {
        FaultsClear();
        plat::SetSystemLayout(nullptr);
    }

    ScratchDir dir_;
};

struct FlowCase {
    const char* name;
    bool exists;
    std::string before;
    int answer;
    std::vector<Shown> expected;
    std::string after;
};

TEST_F(RestoreRun, ShowsTheBoxesOfEachOutcome) {
    const std::string shortFile = kHost.substr(0, kHost.size() - 1);
    const FlowCase cases[] = {
        {"missing file: no message at all", false, "", IDYES, {}, ""},
        {"no host name", true, kUnpatched, IDYES, {kNothingBox}, kUnpatched},
        {"empty file", true, "", IDYES, {kNothingBox}, ""},
        {"shorter than the name", true, shortFile, IDYES, {kNothingBox}, shortFile},
        {"answer yes", true, kPatched, IDYES, {kConfirmBox, kRestoredBox}, kUnpatched},
        {"answer no", true, kPatched, IDNO, {kConfirmBox}, kPatched},
        {"only IDYES is consent", true, kPatched, IDOK, {kConfirmBox}, kPatched},
        {"upper-case host name",
         true,
         "a b\r\n" + Upper(kEntry) + "\r\n",
         IDYES,
         {kConfirmBox, kRestoredBox},
         "a b\r\n"},
    };
    for (const FlowCase& c : cases) {
        for (DWORD platformId : {0u, 1u, 2u}) {
            SCOPED_TRACE(std::string(c.name) + ", platform id " + std::to_string(platformId));
            std::string hosts = UseLayout(dir_, platformId);
            std::remove(hosts.c_str());
            if (c.exists) {
                ASSERT_TRUE(WriteBytes(hosts, c.before));
            }
            std::vector<std::string> namesBefore = dir_.NamesBeside(hosts);
            RecordingSink sink(c.answer);
            RunRestore(sink);
            EXPECT_EQ(Describe(sink.shown), Describe(c.expected));
            std::string after;
            EXPECT_EQ(ReadBytes(hosts, &after), c.exists);
            EXPECT_EQ(Visible(after), Visible(c.after));
            EXPECT_EQ(dir_.NamesBeside(hosts), namesBefore);
        }
    }
}

// Windows 95/98/Me and Win32s keep hosts in the Windows folder, the NT family under the
// system folder; the other family's file is never looked at.
TEST_F(RestoreRun, TakesTheHostsFileOfTheRunningFamily) {
    for (DWORD platformId : {0u, 1u, 2u}) {
        SCOPED_TRACE(platformId);
        std::string nt = UseLayout(dir_, 2);
        std::string win9x = UseLayout(dir_, 1);
        ASSERT_TRUE(WriteBytes(nt, kPatched));
        ASSERT_TRUE(WriteBytes(win9x, kPatched));
        UseLayout(dir_, platformId);
        RecordingSink sink(IDYES);
        RunRestore(sink);
        std::string ntAfter, win9xAfter;
        ASSERT_TRUE(ReadBytes(nt, &ntAfter));
        ASSERT_TRUE(ReadBytes(win9x, &win9xAfter));
        EXPECT_EQ(ntAfter, platformId == 2 ? kUnpatched : kPatched);
        EXPECT_EQ(win9xAfter, platformId == 2 ? kPatched : kUnpatched);
    }
}

TEST_F(RestoreRun, ReadOnlyFileIsAskedAboutThenLeftAsItWas) {
    for (DWORD platformId : {1u, 2u}) {
        SCOPED_TRACE(platformId);
        std::string hosts = UseLayout(dir_, platformId);
        ASSERT_TRUE(WriteBytes(hosts, kPatched));
        ASSERT_TRUE(MakeReadOnly(hosts));
        RecordingSink sink(IDYES);
        RunRestore(sink);
        EXPECT_EQ(Describe(sink.shown), Describe({kConfirmBox, kErrorBox}));
        std::string after;
        ASSERT_TRUE(ReadBytes(hosts, &after));
        EXPECT_EQ(after, kPatched);
        EXPECT_NE(plat::GetFileAttributesA(hosts.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
        plat::SetFileAttributesA(hosts.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        std::remove(hosts.c_str());
    }
}

TEST_F(RestoreRun, HostsPathThatIsAFolderEndsSilently) {
    std::string hosts = UseLayout(dir_, 1);
    std::filesystem::create_directory(hosts);
    RecordingSink sink(IDYES);
    RunRestore(sink);
    EXPECT_EQ(Describe(sink.shown), Describe({}));
}

// A folder too long for the file part: refused before anything is copied, never written
// past the path buffer.
TEST_F(RestoreRun, FolderTooLongForThePathEndsSilently) {
    for (size_t length : {254u, 259u, 260u, 300u, 1000u}) {
        SCOPED_TRACE(length);
        std::string folder = dir_.root().string();
        folder += std::string(length - folder.size(), 'w');
        plat::SystemLayout layout = {1, folder.c_str(), folder.c_str()};
        plat::SetSystemLayout(&layout);
        RecordingSink sink(IDYES);
        RunRestore(sink);
        EXPECT_EQ(Describe(sink.shown), Describe({}));
    }
}

#ifndef _WIN32
// The longest folder whose hosts path still fits is used (Windows cannot make it).
TEST_F(RestoreRun, LongestFolderThatFitsIsUsed) {
    std::string folder = dir_.root().string() + "/";
    folder += std::string(MAX_PATH - 1 - 6 - folder.size(), 'w');
    ASSERT_EQ(folder.size() + 6, static_cast<size_t>(MAX_PATH - 1));
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(WriteBytes(folder + "/hosts", kPatched));
    plat::SystemLayout layout = {1, folder.c_str(), folder.c_str()};
    plat::SetSystemLayout(&layout);
    RecordingSink sink(IDYES);
    RunRestore(sink);
    EXPECT_EQ(Describe(sink.shown), Describe({kConfirmBox, kRestoredBox}));
}
#endif

// Each point of no return fails in turn, at each of its calls: the user is told, and the
// hosts file is byte for byte the old one with nothing left beside it.
void FailEachCallOfEachPoint(const ScratchDir& dir, DWORD platformId) {
    const Fault points[] = {Fault::Write, Fault::Flush, Fault::Close, Fault::SetAttributes,
                            Fault::Replace};
    for (Fault point : points) {
        int failures = 0;
        for (int skip = 0; skip < 8; ++skip) {
            SCOPED_TRACE("point " + std::to_string(static_cast<int>(point)) + ", skip " +
                         std::to_string(skip));
            std::string hosts = UseLayout(dir, platformId);
            ASSERT_TRUE(WriteBytes(hosts, kPatchedMiddle));
            std::vector<std::string> namesBefore = dir.NamesBeside(hosts);
            FaultArm(point, skip);
            RecordingSink sink(IDYES);
            RunRestore(sink);
            FaultsClear();
            std::string after;
            ASSERT_TRUE(ReadBytes(hosts, &after)) << "the hosts file is gone";
            EXPECT_EQ(dir.NamesBeside(hosts), namesBefore);
            if (sink.shown.size() == 2 && sink.shown[1] == kRestoredBox) {
                EXPECT_EQ(Visible(after), Visible(kUnpatchedMiddle));
                break;  // every call of the point has failed once
            }
            ++failures;
            EXPECT_EQ(Describe(sink.shown), Describe({kConfirmBox, kErrorBox}));
            EXPECT_EQ(Visible(after), Visible(kPatchedMiddle));
        }
        // Two pieces are written; the fallback renames twice.
        EXPECT_GE(failures, point == Fault::Write ? 2 : 1)
            << "point " << static_cast<int>(point) << " failed fewer times than it is called";
    }
}

TEST_F(RestoreRun, FailuresWhileRewritingLeaveTheOldFile) {
    FailEachCallOfEachPoint(dir_, 2);
}

#ifdef _WIN32
// The ways older Windows take: NT 4 has no ReplaceFileA, 95/98/Me have no working
// MoveFileExA either, and there the old file is renamed aside while the new one goes in.
TEST_F(RestoreRun, FailuresWithoutTheNewerReplaceCallsLeaveTheOldFile) {
    for (plat::ReplaceCalls calls : {plat::ReplaceCalls::NoReplaceFile, plat::ReplaceCalls::None}) {
        SCOPED_TRACE(static_cast<int>(calls));
        plat::RewriteUseCalls(calls);
        FailEachCallOfEachPoint(dir_, 1);
        plat::RewriteUseCalls(plat::ReplaceCalls::All);
    }
}
#endif

}  // namespace
