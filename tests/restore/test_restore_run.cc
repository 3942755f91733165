// The restore pass through its message sink, on folders standing in for Windows: the boxes
// the user sees, and what becomes of the hosts file when the disk fails.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "build_config.h"
#include "platform/faults.h"
#include "remover/control_ids.h"
#include "remover/patch_sequence.h"
#include "restore/restore_run.h"
#include "tests/support/test_files.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace testfiles;
using Boxes = std::vector<std::string>;

const std::string kHost = QUORVEL_ADVERT_HOST, kEntry = "0.0.0.0         " + kHost;
const std::string kPatched = "127.0.0.1 localhost\r\n\r\n" + kEntry + "\r\n::1 localhost\r\n";
const std::string kRestored = "127.0.0.1 localhost\r\n::1 localhost\r\n";
const std::string kNothingBox =
    "0x40 Vantrel: Adverts has not been removed.\nSo there is nothing to restore.";
const std::string kConfirmBox =
    "0x24 Vantrel: Are you sure you want to restore those annoying msn adverts?";
const std::string kRestoredBox = "0x40 Vantrel: Adverts has ben restored!";
const std::string kErrorBox = "0x30 Vantrel: Error rewriting host file!";

// Points the stand-in Windows at dir (system folder dir/system32); the hosts path it takes.
std::string UseLayout(const TempDir& dir, DWORD platformId) {
    std::string system = dir.Join("system32");
    plat::SystemLayout layout = {platformId, dir.path().c_str(), system.c_str()};
    plat::SetSystemLayout(&layout);
    MakeDirs(dir.Join("system32/drivers/etc"));
    return dir.Join(platformId == 2 ? "system32/drivers/etc/hosts" : "hosts");
}

std::string Bytes(const std::string& path) {
    if (std::filesystem::is_directory(path)) return "(folder)";
    return Show(ReadBytes(path).value_or("(missing)"));
}

// The fixture is the pass's sink: Run records each box as "0x<style> <caption>: <text>" and
// answers the confirmation with `answer`.
class RestoreRun : public ::testing::Test, public RestoreSink {
  protected:
    ~RestoreRun() override { plat::SetSystemLayout(nullptr); }
    Boxes Run(int answer) {
        answer_ = answer;
        shown_.clear();
        RunRestore(*this);
        return shown_;
    }
    int Message(const char* text, const char* caption, unsigned style) override {
        char hex[16];
        snprintf(hex, sizeof hex, "0x%x ", style);
        shown_.push_back(hex + std::string(caption) + ": " + text);
        return (style & MB_YESNO) == MB_YESNO ? answer_ : IDOK;
    }
    void FailEachCall();
    TempDir dir_;
    int answer_ = IDNO;
    Boxes shown_;
};

TEST_F(RestoreRun, ShowsTheBoxesOfEachOutcome) {
    const Boxes asked = {kConfirmBox}, done = {kConfirmBox, kRestoredBox},
                refused = {kConfirmBox, kErrorBox}, nothing = {kNothingBox}, error = {kErrorBox};
    enum Setup { Plain, ReadOnly, Folder, HardLink };
    // The file is restored where the boxes say so, else left as it was.
    const struct {
        const char* name;
        Setup setup;
        std::string bytes;
        int answer;
        Boxes boxes;
        Fault fault = Fault::Count;  // none
        int skip = 0;
    } cases[] = {
        {"missing file", Plain, "(missing)", IDYES, {}},
        {"no host name", Plain, kRestored, IDYES, nothing},
        {"empty file", Plain, "", IDYES, nothing},
        {"answer yes", Plain, kPatched, IDYES, done},
        {"answer no", Plain, kPatched, IDNO, asked},
        {"only IDYES consents", Plain, kPatched, IDOK, asked},
        {"read-only", ReadOnly, kPatched, IDYES, refused},
        {"folder named hosts", Folder, "(folder)", IDYES, error},
        // "other" is a second name of hosts: both names must give the same bytes.
        {"hard link", HardLink, kPatched, IDYES, refused},
        // A file that could not be read whole is no file without the name.
        {"size unknown", Plain, kPatched, IDYES, error, Fault::Tell},
        {"no memory", Plain, kPatched, IDYES, error, Fault::Allocate},
        {"read fails", Plain, kPatched, IDYES, error, Fault::Read},
        {"read after Yes", Plain, kPatched, IDYES, refused, Fault::Read, 1},
    };
    for (const auto& c : cases) {
        // 0 and 1 take the Windows folder, 2 the system folder; the other one is a decoy.
        for (DWORD platformId : {0u, 1u, 2u}) {
            SCOPED_TRACE(std::string(c.name) + ", platform id " + std::to_string(platformId));
            std::string decoy = UseLayout(dir_, platformId == 2 ? 1 : 2);
            ASSERT_TRUE(RemoveDir(decoy) && WriteBytes(decoy, kPatched));
            std::string hosts = UseLayout(dir_, platformId), other = dir_.Join("other");
            bool link = c.setup == HardLink;
            RemoveDir(hosts);
            ASSERT_TRUE(c.bytes == "(missing)" ||
                        (c.setup == Folder ? MakeDirs(hosts) : WriteBytes(hosts, c.bytes)));
            ASSERT_TRUE(!link || MakeLink(hosts, other, false));
            ASSERT_TRUE(c.setup != ReadOnly || SetReadOnly(hosts, true));
            const long handles = OpenHandles();
            if (c.fault != Fault::Count) FaultArm(c.fault, c.skip);
            EXPECT_EQ(Run(c.answer), c.boxes);
            FaultsClear();
            EXPECT_EQ(OpenHandles(), handles);  // streams, the file's handle and the lock
            const std::string after = c.boxes == done ? kRestored : c.bytes;
            EXPECT_EQ(Bytes(hosts), Show(after));
            EXPECT_EQ(Bytes(link ? other : decoy), Show(link ? after : kPatched));
            SetReadOnly(hosts, false);
            if (link) RemoveLink(other);
        }
    }
}

// The remover, run before the restore tool or while it holds the file: its result line.
std::string RunRemover() {
    struct : PatchSink {
        std::string line;
        void SetStatus(int controlId, const char* text) override {
            if (controlId == IDC_RESULT_LINE) line = text;
        }
        void Pause(unsigned) override {}
        void Enable(int) override {}
        void Message(const char*, const char*) override {}
        void End(int) override {}
    } remover;
    RunPatchSequence(remover);
    return remover.line;
}

// The remover appends its entry, the restore tool answered Yes takes it out: the file as the
// user had it, byte for byte, whatever its line ends, less a final Ctrl-Z the append cut.
TEST_F(RestoreRun, RemoverThenRestoreTakesOutOnlyTheRemoversLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"T\r" + kEntry + "\r\n", "T\r" + kEntry + "\r\n"},  // the user's entry after a lone CR
        {"A\r\r\nB\r\r\n", "A\r\r\nB\r\r\n"},
        {"T\r\n\x1a", "T\r\n"},
        {"\xef\xbb\xbfT\r\n", "\xef\xbb\xbfT\r\n"},  // a byte-order mark belongs to no line
        {"\xef\xbb\xbf", "\xef\xbb\xbf"},
        {"\xef\xbb\xbf\r\n", "\xef\xbb\xbf"},  // the empty line after a byte-order mark
    };
    std::string hosts = UseLayout(dir_, 2);
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(Show(before));
        ASSERT_TRUE(WriteBytes(hosts, before));
        EXPECT_EQ(RunRemover(), "Updating hosts file... done.");
        EXPECT_EQ(Run(IDYES), (Boxes{kConfirmBox, kRestoredBox}));
        EXPECT_EQ(Bytes(hosts), Show(after));
    }
}

std::future<std::string> g_remover;

// The restore tool takes out a user's line naming the host, so the remover finds its entry
// missing: it must wait for the replace and append after it, so that both say what is true.
TEST_F(RestoreRun, RemoverStartedBeforeTheReplaceWaitsForIt) {
    std::string hosts = UseLayout(dir_, 2);
    ASSERT_TRUE(WriteBytes(hosts, "T\r\n127.0.0.1 " + kHost + "\r\n"));
    // Between the restore tool's last read and its replace: a remover starts, and has time to
    // reach the file unless a lock stops it.
    SetRewriteHook([] {
        g_remover = std::async(std::launch::async, RunRemover);
        g_remover.wait_for(std::chrono::milliseconds(500));
    });
    EXPECT_EQ(Run(IDYES), (Boxes{kConfirmBox, kRestoredBox}));
    ASSERT_TRUE(g_remover.valid());
    EXPECT_EQ(g_remover.get(), "Updating hosts file... done.");
    EXPECT_EQ(Bytes(hosts), Show("T\r\n\r\n" + kEntry + "\r\n"));
}

// The folder and "\hosts" must fit in MAX_PATH with the closing zero; a longer path is never
// opened (no box at all), even where the system could open it.
TEST_F(RestoreRun, HostsPathBeyondMaxPathIsNotOpened) {
    for (size_t length : {MAX_PATH - 7u, MAX_PATH - 6u, 1000u}) {
        std::string folder = dir_.path() + "/" + std::string(length - dir_.path().size() - 1, 'w');
        bool made = MakeDirs(folder) && WriteBytes(folder + "/hosts", kPatched);
        plat::SystemLayout layout = {1, folder.c_str(), folder.c_str()};
        plat::SetSystemLayout(&layout);
        EXPECT_EQ(!Run(IDYES).empty(), made && length + 6 < MAX_PATH) << length;
    }
}

#ifndef _WIN32
// A sysfs file claims a whole page and holds a few bytes: the pass goes on with those alone.
// Run under memcheck too, which fails on any look past them.
TEST_F(RestoreRun, ShortReadIsSearchedOnlyWhereRead) {
    const char* page = "/sys/kernel/uevent_seqnum";
    std::string hosts = UseLayout(dir_, 2);
    if (!ReadBytes(page) || symlink(page, hosts.c_str()) != 0) GTEST_SKIP() << "no " << page;
    Boxes shown = Run(IDYES);
    std::remove(hosts.c_str());  // the folder's removal would make the link's target writable
    EXPECT_EQ(shown, Boxes{kNothingBox});
}
#endif

// What a rewrite must keep of the old file, set to unusual values before the run and read after
// it: hidden and system attributes on Windows; mode 0604 and, run by root, owner 4321 on Linux.
void WritePatched(const std::string& path) {
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // a hidden file cannot be written
    ASSERT_TRUE(WriteBytes(path, kPatched) &&
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
#else
    ASSERT_TRUE(WriteBytes(path, kPatched) && chmod(path.c_str(), 0604) == 0 &&
                (geteuid() != 0 || chown(path.c_str(), 4321, 4322) == 0));
#endif
}
std::string Kept(const std::string& path) {
#ifdef _WIN32
    return std::to_string(GetFileAttributesA(path.c_str()));
#else
    struct stat info = {};
    stat(path.c_str(), &info);
    return std::to_string(info.st_mode & 07777) + " " + std::to_string(info.st_uid);
#endif
}

// Each point of no return fails in turn at each of its calls: the user is told, and the hosts
// file is byte for byte the old one, with nothing left beside it. Once none fails, the new
// file has what the old one had. Through a symbolic link all that holds for the file behind
// it, which keeps its name, and the link leads to it still. Faults are traced by number.
void RestoreRun::FailEachCall() {
    std::string hosts = UseLayout(dir_, 2), real = dir_.Join("real");
    for (bool throughLink : {false, true}) {
        std::string file = throughLink ? dir_.Join("real/hosts") : hosts;
        ASSERT_TRUE(!throughLink || (RemoveDir(hosts) && MakeDirs(real) && WriteBytes(file, "") &&
                                     MakeLink(file, hosts, true)));
        for (Fault point :
             {Fault::Write, Fault::Flush, Fault::Close, Fault::SetAttributes, Fault::Replace}) {
            int failures = 0;
            for (int skip = 0;; ++skip) {
                SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(point) << " after "
                                                << skip << (throughLink ? ", through a link" : ""));
                WritePatched(file);
                std::string kept = Kept(file);
                FaultArm(point, skip);
                Boxes shown = Run(IDYES);
                FaultsClear();
                bool restored = shown.size() == 2 && shown[1] == kRestoredBox;
                EXPECT_EQ(shown, (Boxes{kConfirmBox, restored ? kRestoredBox : kErrorBox}));
                EXPECT_EQ(ListDir(dir_.Join("system32/drivers/etc")), "hosts");
                EXPECT_EQ(ListDir(real), throughLink ? "hosts" : "");
                EXPECT_EQ(Bytes(file), Show(restored ? kRestored : kPatched));
                EXPECT_EQ(Bytes(hosts), Bytes(file));
                EXPECT_EQ(Kept(file), kept);
                if (restored) break;
                ASSERT_LT(++failures, 4);
            }
            // The renaming fallback has two steps.
            EXPECT_GE(failures, 1) << static_cast<int>(point);
        }
        ASSERT_TRUE(!throughLink || (RemoveLink(hosts) && RemoveDir(real)));
    }
}

TEST_F(RestoreRun, FailuresWhileRewritingLeaveTheOldFile) {
#ifdef _WIN32
    // NT 4 has no ReplaceFileA; 95/98/Me have no working MoveFileExA either. All comes last
    // and stays.
    using plat::ReplaceCalls;
    for (ReplaceCalls calls :
         {ReplaceCalls::NoReplaceFile, ReplaceCalls::None, ReplaceCalls::All}) {
        SCOPED_TRACE("Windows calls " + std::to_string(static_cast<int>(calls)));
        plat::RewriteUseCalls(calls);
        FailEachCall();
    }
#else
    FailEachCall();
#endif
}

}  // namespace
