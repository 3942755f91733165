// The hosts patch sequence, run on a stand-in Windows in a temporary folder: what the
// dialog is told, in order, and the hosts file's bytes before and after.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>

#include "build_config.h"
#include "platform/faults.h"
#include "platform/system.h"
#include "remover/advert_entry.h"
#include "remover/patch_sequence.h"
#include "tests/support/test_files.h"

using testfiles::Show;

namespace {

// What the dialog is told, one event a line, so that a failure shows the lines that differ.
class RecordingSink final : public PatchSink {
  public:
    std::string events;
    std::function<void(const std::string&)> onEvent;  // called after each event
    void SetStatus(int id, const char* text) override {
        Record("status " + std::to_string(id) + " " + text);
    }
    void Pause(unsigned ms) override { Record("pause " + std::to_string(ms)); }
    void Enable(int id) override { Record("enable " + std::to_string(id)); }
    void Message(const char* text, const char* caption) override {
        Record(std::string("message ") + caption + ": " + text);
    }
    void End(int result) override { Record("end " + std::to_string(result)); }
    void Record(const std::string& event) {
        events += event + "\n";
        if (onEvent) onEvent(event);
    }
};

const std::string kEntry = AdvertHostEntry;
const std::string kAppended = "\r\n" + kEntry + "\r\n";

const std::string kFound =
    "status 1000 Searching for hosts file...\npause 900\n"
    "status 1000 Searching for hosts file... found.\npause 600\n";
const std::string kNotFound =
    "status 1000 Searching for hosts file...\npause 900\n"
    "status 1000 Searching for hosts file... not found.\npause 600\n"
    "status 1001 Creating hosts file...\npause 900\n"
    "status 1001 Creating hosts file... done\npause 600\n";
const std::string kChecked =
    "status 1001 Checking hosts file...\npause 900\n"
    "status 1001 Checking hosts file... done.\npause 600\n";
// Every run that gets past the file's check ends: the address, then the banner and OK.
const std::string kVisit =
    "status 1004 Visit " QUORVEL_PRODUCT_ADDRESS " for latest version.\npause 900\n";
const std::string kEnable = "enable 1005\npause 900\nenable 1\n";
const std::string kRemoved = "status 1003 Live Messenger's adverts removed. :p\n";
const std::string kAppendedEvents =
    "status 1002 Updating hosts file...\npause 900\n"
    "status 1002 Updating hosts file... done.\npause 900\n" +
    kRemoved + "pause 600\n" + kVisit + kEnable;
const std::string kAlready =
    "status 1002 Live Messenger's adverts already removed.\npause 600\n" + kVisit + kEnable;
const std::string kOpenError = "status 1002 Error opening hosts file!\npause 900\n" + kEnable;
const std::string kWriteError = "status 1002 Updating hosts file...\n" + kOpenError;
const std::string kAttributeError =
    kFound + "status 1001 Error changing attributes of hosts file.\nenable 1\n";
const std::string kAppendedToFound = kFound + kChecked + kAppendedEvents;
const std::string kAlreadyFound = kFound + kChecked + kAlready;
const std::string kWin31 =
    "message I can't believe it: This is impossible. You still running Windows 3.1?\n";
const std::string kUnknown =
    "message Error: You are running an unknown version of Windows.\n"
    "This program will terminate. Press Ok to continue.\nend 0\n";

enum class Hosts { Missing, File, ReadOnly, Folder };

// Windows families by platform id.
constexpr DWORD kWin32s = 0, k9x = 1, kNt = 2;

struct Case {
    const char* name;
    Hosts hosts;
    std::string before;
    std::string events;
    DWORD platformId = kNt;
    Fault fault = Fault::Count;  // Count: none; else this point's call after `skip` good ones
    int skip = 0;
};

class PatchSequenceTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(testfiles::MakeDirs(system_ + "/drivers/etc")); }
    void TearDown() override {
        FaultsClear();
        plat::SetSystemLayout(nullptr);
    }
    // Where each family keeps the file.
    std::string HostsPath(DWORD platformId) const {
        return dir_.Join(platformId == kNt ? "win/system32/drivers/etc/hosts" : "win/hosts");
    }
    RecordingSink Run(DWORD platformId, const std::string& system) {
        plat::SystemLayout layout = {platformId, windows_.c_str(), system.c_str()};
        plat::SetSystemLayout(&layout);
        g_patched = 0;
        RecordingSink sink;
        RunPatchSequence(sink);
        return sink;
    }
    void Check(const Case& c) {
        SCOPED_TRACE(c.name);
        std::string path = HostsPath(c.platformId);
        bool file = c.hosts == Hosts::File || c.hosts == Hosts::ReadOnly;
        ASSERT_TRUE(c.hosts == Hosts::Folder ? testfiles::MakeDirs(path)
                                             : !file || testfiles::WriteBytes(path, c.before));
        ASSERT_TRUE(c.hosts != Hosts::ReadOnly || testfiles::SetReadOnly(path, true));
        if (c.fault != Fault::Count) FaultArm(c.fault, c.skip);
        const long handles = testfiles::OpenHandles();
        RecordingSink sink = Run(c.platformId, system_);
        FaultsClear();
        EXPECT_EQ(testfiles::OpenHandles(), handles);  // files and the lock closed again
        bool patched = sink.events.find(kRemoved) != std::string::npos;
        EXPECT_EQ(sink.events, c.events);
        EXPECT_EQ(g_patched, patched ? 1 : 0);
        // The old bytes (or none), and the entry where the run says it removed the adverts.
        std::optional<std::string> after;
        if (file || patched) after = c.before + (patched ? kAppended : "");
        if (c.hosts != Hosts::Folder) {
            EXPECT_EQ(testfiles::ReadBytes(path), after) << Show(after.value_or("(none)"));
        }
        // Whatever happened, a read-only file is read-only again.
        EXPECT_EQ(testfiles::IsReadOnly(path), c.hosts == Hosts::ReadOnly);
        testfiles::SetReadOnly(path, false);
        testfiles::RemoveDir(path);
    }

    testfiles::TempDir dir_;
    const std::string windows_ = dir_.Join("win"), system_ = dir_.Join("win/system32");
};

// The append's failures, each at the call it names, are reported and leave the file as it
// was: a cut Ctrl-Z put back, a created file removed again.
TEST_F(PatchSequenceTest, EveryOutcome) {
    const std::string z = "\x1a", x255(255, 'x'), tz = "T\r\n" + z;
    const std::string openError = kFound + kChecked + kOpenError;
    const std::string writeError = kFound + kChecked + kWriteError;
    const std::string newOpenError = kNotFound + kOpenError;
    const std::string newWriteError = kNotFound + kWriteError;
    const Case cases[] = {
        {"missing_file_created", Hosts::Missing, "", kNotFound + kAppendedEvents},
        {"ends_in_crlf", Hosts::File, "T\r\n", kAppendedToFound},
        {"no_final_line_break", Hosts::File, "T", kAppendedToFound},
        {"empty_file", Hosts::File, "", kAppendedToFound},
        {"entry_as_last_line_without_break", Hosts::File, "T\r\n" + kEntry, kAlreadyFound},
        {"entry_between_lf_lines", Hosts::File, "T\n" + kEntry + "\nU\n", kAlreadyFound},
        {"ff_byte_is_a_character", Hosts::File, "\xff\r\n" + kEntry, kAlreadyFound},
        {"utf8_mark_before_entry", Hosts::File, "\xef\xbb\xbf" + kEntry + "\r\n", kAlreadyFound},
        {"utf16_not_appended_to", Hosts::File, std::string("\xff\xfe\x31\0\r\0\n\0", 8), openError},
        {"utf16_be_read_only", Hosts::ReadOnly, std::string("\xfe\xff\0\x31", 4), openError},
        // The reader's second piece of this line is the entry's text, yet not a line of its own.
        {"entry_after_255_characters", Hosts::File, x255 + kEntry + "\r\n", kAppendedToFound},
        {"entry_after_line_of_255", Hosts::File, x255 + "\r\n" + kEntry, kAlreadyFound},
        {"entry_behind_ctrl_z_seen", Hosts::File, "T" + z + "U" + kAppended, kAlreadyFound},
        {"entry_before_final_ctrl_z_seen", Hosts::File, "T\r\n" + kEntry + z, kAlreadyFound},
        {"ctrl_z_line_before_entry", Hosts::File, "T\r\n" + z + "\n" + kEntry, kAlreadyFound},
        {"ctrl_z_before_crlf_a_byte", Hosts::File, "T\r\n" + kEntry + z + "\r\n", kAppendedToFound},
        {"read_only_patched", Hosts::ReadOnly, "T\r\n", kAppendedToFound},
        {"read_only_already_patched", Hosts::ReadOnly, kEntry, kAlreadyFound},
        {"read_only_not_cleared", Hosts::ReadOnly, "T", kAttributeError, kNt, Fault::SetAttributes},
        {"hosts_is_a_folder", Hosts::Folder, "", openError},
        {"seek_to_end_fails", Hosts::File, tz, openError, kNt, Fault::Seek},
        {"tell_fails", Hosts::File, tz, openError, kNt, Fault::Tell},
        {"seek_to_last_byte_fails", Hosts::File, tz, openError, kNt, Fault::Seek, 1},
        {"truncate_fails", Hosts::File, tz, openError, kNt, Fault::Truncate},
        {"seek_before_write_fails", Hosts::File, tz, writeError, kNt, Fault::Seek, 2},
        {"write_fails", Hosts::File, tz, writeError, kNt, Fault::Write},
        {"flush_fails", Hosts::ReadOnly, "T\r\n", writeError, kNt, Fault::Flush},
        {"close_fails", Hosts::File, "T", writeError, kNt, Fault::Close},
        {"created_removed_if_seek_fails", Hosts::Missing, "", newOpenError, kNt, Fault::Seek},
        {"created_removed_if_write_fails", Hosts::Missing, "", newWriteError, kNt, Fault::Write},
        {"created_removed_if_flush_fails", Hosts::Missing, "", newWriteError, kNt, Fault::Flush},
        {"created_removed_if_close_fails", Hosts::Missing, "", newWriteError, kNt, Fault::Close},
        {"win32s_warns_then_uses_windows_folder", Hosts::Missing, "",
         kWin31 + kNotFound + kAppendedEvents, kWin32s},
        {"windows_9x_folder", Hosts::File, "T\r\n", kAppendedToFound, k9x},
        {"unknown_platform_ends", Hosts::Missing, "", kUnknown, 3},
    };
    for (const Case& c : cases) Check(c);
}

// Lines that resemble the entry but are not it, byte for byte, get the entry appended.
TEST_F(PatchSequenceTest, NearMissesAreNotTheEntry) {
    const std::string host = QUORVEL_ADVERT_HOST;
    std::string upper = kEntry;
    for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    const std::string nearMisses[] = {
        "0.0.0.0\t" + host,
        "0.0.0.0        " + host,
        "0.0.0.0          " + host,
        kEntry + " ",
        " " + kEntry,
        upper,
        kEntry + " # blocked",
        "127.0.0.1         " + host,
        kEntry + "\r",  // the line ends CR CR LF: its CR stays part of it
        kEntry + std::string(1, '\0'),
        "\x1a" + kEntry,  // a Ctrl-Z is a byte of its line, not a line end
    };
    for (const std::string& line : nearMisses) {
        Check({Show(line).c_str(), Hosts::File, "T\r\n" + line + "\r\n", kAppendedToFound});
    }
}

// Two removers started together: at an event of the first, the second starts and runs to
// its end, or for 300 ms where it must wait for the first's append and then see its entry.
TEST_F(PatchSequenceTest, ConcurrentRunsAppendOnce) {
    struct {
        const char* before;  // null: no file
        std::string startSecondAt;
        bool secondEndsFirst;
        std::string firstEvents, secondEvents;
    } cases[] = {
        {"T\r\n", "status 1002 Updating hosts file...", false, kAppendedToFound, kAlreadyFound},
        // Both find no file; the second runs whole before the first's check.
        {nullptr, "status 1001 Creating hosts file... done", true, kNotFound + kAlready,
         kNotFound + kAppendedEvents},
    };
    std::string path = HostsPath(kNt);
    plat::SystemLayout layout = {kNt, windows_.c_str(), system_.c_str()};
    plat::SetSystemLayout(&layout);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.startSecondAt);
        std::remove(path.c_str());
        ASSERT_TRUE(!c.before || testfiles::WriteBytes(path, c.before));
        RecordingSink first, second;
        std::future<void> secondRun;
        first.onEvent = [&](const std::string& event) {
            if (event != c.startSecondAt) return;
            secondRun = std::async(std::launch::async, [&] { RunPatchSequence(second); });
            if (c.secondEndsFirst) secondRun.wait();
            secondRun.wait_for(std::chrono::milliseconds(300));
        };
        RunPatchSequence(first);
        if (secondRun.valid()) secondRun.wait();
        EXPECT_EQ(first.events, c.firstEvents);
        EXPECT_EQ(second.events, c.secondEvents);
        EXPECT_EQ(testfiles::ReadBytes(path), (c.before ? c.before : "") + kAppended);
    }
}

// Only a folder that leaves room for the file part is used: the longest one whole; a longer
// one, or an unknown one (the query fails), names no file, and nothing is written anywhere.
TEST_F(PatchSequenceTest, FolderMustLeaveRoomForTheFile) {
    // The file part "\drivers\etc\hosts" is 18 bytes: 241 + 18 + the zero = 260 fits.
    for (size_t length : {241, 242, 243, 542}) {
        SCOPED_TRACE(length);
        const bool fits = length == 241;
        std::string folder = fits ? dir_.Join(std::string(240 - dir_.path().size(), 'y'))
                                  : system_ + std::string(length - system_.size(), 'x');
        ASSERT_EQ(folder.size(), length);
        ASSERT_TRUE(!fits || testfiles::MakeDirs(folder + "/drivers/etc"));
        EXPECT_EQ(Run(kNt, folder).events, kNotFound + (fits ? kAppendedEvents : kOpenError));
        EXPECT_EQ(g_patched, fits ? 1 : 0);
        EXPECT_EQ(testfiles::ReadBytes(folder + "/drivers/etc/hosts"),
                  fits ? std::optional(kAppended) : std::nullopt);
    }
    EXPECT_EQ(Run(kNt, "").events, kNotFound + kOpenError);
    EXPECT_EQ(testfiles::ListDir(dir_.path()), "win " + std::string(240 - dir_.path().size(), 'y'));
    EXPECT_EQ(testfiles::ListDir(windows_), "system32");
}

}  // namespace
