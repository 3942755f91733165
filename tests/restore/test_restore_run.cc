// The restore pass through its message sink, on folders standing in for Windows: the boxes
// the user sees, and what becomes of the hosts file when the disk fails.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/file_replace.h"
#include "remover/control_ids.h"
#include "remover/patch_sequence.h"
#include "restore/restore_run.h"
#include "restore_fixtures.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// Points the stand-in Windows at dir (system folder dir/system32) and gives the hosts path of
// that platform.
std::string UseLayout(const TempDir& dir, DWORD platformId) {
    std::string system = dir.Join("system32");
    plat::SystemLayout layout = {platformId, dir.path().c_str(), system.c_str()};
    plat::SetSystemLayout(&layout);
    MakeDirs(dir.Join("system32/drivers/etc"));
    return dir.Join(platformId == 2 ? "system32/drivers/etc/hosts" : "hosts");
}

// The file's bytes spelled out for comparisons, or "(missing)", or "(folder)".
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
    void FailEachCall(bool throughLink);
    TempDir dir_;
    int answer_ = IDNO;
    Boxes shown_;
};

TEST_F(RestoreRun, ShowsTheBoxesOfEachOutcome) {
    const std::string upper = "a b\r\n" + Upper(kEntry) + "\r\n", kMissing = "(missing)";
    enum Setup { Plain, ReadOnly, Folder, HardLink, SymbolicLink };
    const struct {
        const char* name;
        Setup setup;
        std::string bytes;
        int answer;
        Boxes boxes;
        std::string after;
        Fault fault = Fault::Count;  // none
        int skip = 0;
    } cases[] = {
        {"missing file", Plain, kMissing, IDYES, {}, kMissing},
        {"no host name", Plain, kRestored, IDYES, {kNothingBox}, kRestored},
        {"empty file", Plain, "", IDYES, {kNothingBox}, ""},
        {"shorter than the name", Plain, kHost.substr(1), IDYES, {kNothingBox}, kHost.substr(1)},
        {"answer yes", Plain, kPatched, IDYES, {kConfirmBox, kRestoredBox}, kRestored},
        {"answer no", Plain, kPatched, IDNO, {kConfirmBox}, kPatched},
        {"only IDYES consents", Plain, kPatched, IDOK, {kConfirmBox}, kPatched},
        {"upper case", Plain, upper, IDYES, {kConfirmBox, kRestoredBox}, "a b\r\n"},
        {"read-only", ReadOnly, kPatched, IDYES, {kConfirmBox, kErrorBox}, kPatched},
        {"folder named hosts", Folder, "", IDYES, {kErrorBox}, "(folder)"},
        // hosts is a second name of the file "other": both names must give the same bytes.
        {"hard link", HardLink, kPatched, IDYES, {kConfirmBox, kErrorBox}, kPatched},
        {"symbolic link", SymbolicLink, kPatched, IDYES, {kConfirmBox, kRestoredBox}, kRestored},
        // A file that could not be read whole is no file without the name.
        {"size unknown", Plain, kPatched, IDYES, {kErrorBox}, kPatched, Fault::Tell},
        {"no memory", Plain, kPatched, IDYES, {kErrorBox}, kPatched, Fault::Allocate},
        {"read fails", Plain, kPatched, IDYES, {kErrorBox}, kPatched, Fault::Read},
        {"read after Yes",
         Plain,
         kPatched,
         IDYES,
         {kConfirmBox, kErrorBox},
         kPatched,
         Fault::Read,
         1},
    };
    for (const auto& c : cases) {
        // 0 and 1 take the Windows folder, 2 the system folder; the other one is a decoy.
        for (DWORD platformId : {0u, 1u, 2u}) {
            SCOPED_TRACE(std::string(c.name) + ", platform id " + std::to_string(platformId));
            std::string decoy = UseLayout(dir_, platformId == 2 ? 1 : 2);
            ASSERT_TRUE(RemoveDir(decoy) && WriteBytes(decoy, kPatched));
            std::string hosts = UseLayout(dir_, platformId), other = dir_.Join("other");
            bool link = c.setup == HardLink || c.setup == SymbolicLink;
            RemoveDir(hosts);
            ASSERT_TRUE(
                c.bytes == kMissing ||
                (c.setup == Folder ? MakeDirs(hosts) : WriteBytes(link ? other : hosts, c.bytes)));
            ASSERT_TRUE(!link || MakeLink(other, hosts, c.setup == SymbolicLink));
            ASSERT_TRUE(c.setup != ReadOnly || SetReadOnly(hosts, true));
            const long handles = OpenHandles();
            if (c.fault != Fault::Count) FaultArm(c.fault, c.skip);
            EXPECT_EQ(Run(c.answer), c.boxes);
            FaultsClear();
            EXPECT_EQ(OpenHandles(), handles);  // streams, the file's handle and the lock
            EXPECT_EQ(Bytes(hosts), Show(c.after));
            EXPECT_EQ(Bytes(link ? other : decoy), Show(link ? c.after : kPatched));
            SetReadOnly(hosts, false);
            if (link) RemoveLink(hosts);
        }
    }
}

// The remover, run before the restore tool or while it holds the file, says only what its
// result line shows.
class RemoverResult final : public PatchSink {
  public:
    std::string line;
    void SetStatus(int controlId, const char* text) override {
        if (controlId == IDC_RESULT_LINE) line = text;
    }
    void Pause(unsigned) override {}
    void Enable(int) override {}
    void Message(const char*, const char*) override {}
    void End(int) override {}
};

// The remover appends its entry, the restore tool answered Yes takes it out: the file as the
// user had it, byte for byte, whatever its line ends, less a final Ctrl-Z the append cut.
TEST_F(RestoreRun, RemoverThenRestoreTakesOutOnlyTheRemoversLine) {
    const struct {
        const char* name;
        std::string before, after;
    } cases[] = {
        {"user's entry in capitals", Upper(kEntry) + "\r\n", Upper(kEntry) + "\r\n"},
        {"lone CR at the end", "T\r", "T\r"},
        {"user's entry after a lone CR", "T\r" + kEntry + "\r\nU\r\n",
         "T\r" + kEntry + "\r\nU\r\n"},
        {"CR CR LF line ends", "A\r\r\nB\r\r\n", "A\r\r\nB\r\r\n"},
        {"final Ctrl-Z", "T\r\n\x1a", "T\r\n"},
        {"byte-order mark", "\xef\xbb\xbfT\r\n", "\xef\xbb\xbfT\r\n"},
        {"byte-order mark alone", "\xef\xbb\xbf", "\xef\xbb\xbf"},
        {"byte-order mark, empty line", "\xef\xbb\xbf\r\n", "\xef\xbb\xbf"},
    };
    std::string hosts = UseLayout(dir_, 2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(hosts, c.before));
        RemoverResult remover;
        RunPatchSequence(remover);
        EXPECT_EQ(remover.line, "Updating hosts file... done.");
        EXPECT_EQ(Run(IDYES), (Boxes{kConfirmBox, kRestoredBox}));
        EXPECT_EQ(Bytes(hosts), Show(c.after));
    }
}

std::future<std::string> g_remover;

// Between the restore tool's last read and its replace: a remover starts, and has time to
// reach the file unless a lock stops it.
void StartRemover() {
    g_remover = std::async(std::launch::async, [] {
        RemoverResult remover;
        RunPatchSequence(remover);
        return remover.line;
    });
    g_remover.wait_for(std::chrono::milliseconds(500));
}

// The restore tool takes out a user's line naming the host, so the remover finds its entry
// missing: it must wait for the replace and append after it, so that both say what is true.
TEST_F(RestoreRun, RemoverStartedBeforeTheReplaceWaitsForIt) {
    std::string hosts = UseLayout(dir_, 2);
    ASSERT_TRUE(WriteBytes(hosts, "T\r\n127.0.0.1 " + kHost + "\r\n"));
    SetRewriteHook(StartRemover);
    EXPECT_EQ(Run(IDYES), (Boxes{kConfirmBox, kRestoredBox}));
    ASSERT_TRUE(g_remover.valid());
    EXPECT_EQ(g_remover.get(), "Updating hosts file... done.");
    EXPECT_EQ(Bytes(hosts), Show("T\r\n\r\n" + kEntry + "\r\n"));
}

// The folder and "\hosts" must fit in MAX_PATH with the closing zero; a longer path is never
// opened (no box at all), even where the system could open it.
TEST_F(RestoreRun, HostsPathBeyondMaxPathIsNotOpened) {
    for (size_t length : {MAX_PATH - 7u, MAX_PATH - 6u, 1000u}) {
        std::string folder = dir_.path() + "/";
        folder += std::string(length - folder.size(), 'w');
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
#ifdef _WIN32
void WritePatched(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // a hidden file cannot be written
    ASSERT_TRUE(WriteBytes(path, kPatched));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}
std::string Kept(const std::string& path) {
    return std::to_string(GetFileAttributesA(path.c_str()));
}
#else
void WritePatched(const std::string& path) {
    ASSERT_TRUE(WriteBytes(path, kPatched));
    ASSERT_EQ(chmod(path.c_str(), 0604), 0);
    ASSERT_TRUE(geteuid() != 0 || chown(path.c_str(), 4321, 4322) == 0);
}
std::string Kept(const std::string& path) {
    struct stat info = {};
    stat(path.c_str(), &info);
    return std::to_string(info.st_mode & 07777) + " " + std::to_string(info.st_uid);
}
#endif

// Each point of no return fails in turn at each of its calls: the user is told, and the hosts
// file is byte for byte the old one, with nothing left beside it. Once none fails, the new
// file has what the old one had. Through a symbolic link all that holds for the file behind
// it, which keeps its name, and the link leads to it still.
void RestoreRun::FailEachCall(bool throughLink) {
    std::string hosts = UseLayout(dir_, 2), file = hosts, real = dir_.Join("real");
    if (throughLink) {
        file = dir_.Join("real/hosts");
        ASSERT_TRUE(RemoveDir(hosts) && MakeDirs(real) && WriteBytes(file, "") &&
                    MakeLink(file, hosts, true));
    }
    const std::pair<Fault, const char*> points[] = {{Fault::Write, "write"},
                                                    {Fault::Flush, "flush"},
                                                    {Fault::Close, "close"},
                                                    {Fault::SetAttributes, "attributes"},
                                                    {Fault::Replace, "replace"}};
    for (const auto& [point, pointName] : points) {
        int failures = 0;
        for (int skip = 0;; ++skip) {
            SCOPED_TRACE(std::string(pointName) + " fails after " + std::to_string(skip) +
                         (throughLink ? ", through a link" : ""));
            WritePatched(file);
            std::string kept = Kept(file);
            FaultArm(point, skip);
            Boxes shown = Run(IDYES);
            FaultsClear();
            EXPECT_EQ(ListDir(dir_.Join("system32/drivers/etc")), "hosts");
            if (throughLink) {
                EXPECT_EQ(ListDir(real), "hosts");
            }
            if (shown == Boxes{kConfirmBox, kRestoredBox}) {
                EXPECT_EQ(Bytes(file), Show(kRestored));
                EXPECT_EQ(Bytes(hosts), Show(kRestored));
                EXPECT_EQ(Kept(file), kept);
                break;
            }
            EXPECT_EQ(shown, (Boxes{kConfirmBox, kErrorBox}));
            EXPECT_EQ(Bytes(file), Show(kPatched));
            EXPECT_EQ(Bytes(hosts), Show(kPatched));
            ASSERT_LT(++failures, 4);
        }
        // The renaming fallback has two steps.
        EXPECT_GE(failures, 1) << pointName;
    }
    if (throughLink) RemoveLink(hosts);
}

TEST_F(RestoreRun, FailuresWhileRewritingLeaveTheOldFile) {
#ifdef _WIN32
    // NT 4 has no ReplaceFileA; 95/98/Me have no working MoveFileExA either. All comes last
    // and stays.
    const std::pair<plat::ReplaceCalls, const char*> callSets[] = {
        {plat::ReplaceCalls::NoReplaceFile, "no ReplaceFileA"},
        {plat::ReplaceCalls::None, "neither ReplaceFileA nor MoveFileExA"},
        {plat::ReplaceCalls::All, "all calls"}};
    for (const auto& [calls, callsName] : callSets) {
        SCOPED_TRACE(callsName);
        plat::RewriteUseCalls(calls);
        FailEachCall(false);
        FailEachCall(true);
    }
#else
    FailEachCall(false);
    FailEachCall(true);
#endif
}

}  // namespace
