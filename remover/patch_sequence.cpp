#include "remover/patch_sequence.h"

#include <cstring>

#include "build_config.h"
#include "platform/system.h"
#include "platform/text_file.h"
#include "remover/advert_entry.h"
#include "remover/control_ids.h"
#include "remover/hosts_line.h"

unsigned char g_patched = 0;

namespace {

constexpr char kSearching[] = "Searching for hosts file...";
constexpr char kFound[] = "Searching for hosts file... found.";
constexpr char kNotFound[] = "Searching for hosts file... not found.";
constexpr char kAttributeError[] = "Error changing attributes of hosts file.";
constexpr char kChecking[] = "Checking hosts file...";
constexpr char kChecked[] = "Checking hosts file... done.";
constexpr char kCreating[] = "Creating hosts file...";
constexpr char kCreated[] = "Creating hosts file... done";
constexpr char kAlreadyRemoved[] = "Live Messenger's adverts already removed.";
constexpr char kUpdating[] = "Updating hosts file...";
constexpr char kUpdated[] = "Updating hosts file... done.";
constexpr char kOpenError[] = "Error opening hosts file!";
constexpr char kRemoved[] = "Live Messenger's adverts removed. :p";
constexpr char kVisit[] = "Visit " QUORVEL_PRODUCT_ADDRESS " for latest version.";
constexpr char kWin31Text[] = "This is impossible. You still running Windows 3.1?";
constexpr char kWin31Caption[] = "I can't believe it";
constexpr char kUnknownText[] =
    "You are running an unknown version of Windows.\n"
    "This program will terminate. Press Ok to continue.";
constexpr char kUnknownCaption[] = "Error";

constexpr DWORD kReadOnly = FILE_ATTRIBUTE_READONLY;

// Fills path with folder + file; false when the folder is unknown or the whole path does
// not fit, so that nothing is ever written past the buffer.
bool BuildHostsPath(char (&path)[MAX_PATH], UINT (*folder)(char*, UINT), const char* file) {
    UINT length = folder(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    size_t fileLength = strlen(file);
    if (length + fileLength >= MAX_PATH) return false;
    memcpy(path + length, file, fileLength + 1);
    return true;
}

// Two removers started together must not both find the entry missing and both append it.
constexpr char kLockName[] = "QuorvelHostsFile";

static_assert(sizeof AdvertHostEntry < 256, "the entry must fit in one piece of a line");

// True when a whole line of the file is the entry. The reader hands a long line back in
// pieces, so a piece counts only if it starts its line; and its length is found from the
// terminator it leaves, since a zero byte inside the line would end a string too early.
// Unlike the runtime's text mode, a Ctrl-Z does not end the data: an entry appended
// behind one must be seen, or every run appends it again.
bool HoldsAdvertEntry(const char* path) {
    TextFile* stream = TextOpen(path, "rtz");
    if (!stream) return false;
    char line[256];
    const size_t pieceLength = sizeof line - 1;
    const size_t entryLength = sizeof AdvertHostEntry - 1;
    bool startsLine = true;
    bool found = false;
    while (!found) {
        memset(line, 1, sizeof line);  // not zero, so the last zero is the terminator
        if (!ReadHostsLine(stream, line, sizeof line)) break;
        size_t length = pieceLength;
        while (line[length] != 0) --length;
        found = startsLine && length == entryLength && memcmp(line, AdvertHostEntry, length) == 0;
        startsLine = length < pieceLength;
    }
    TextClose(stream);
    return found;
}

// The common close of every ending that leaves the dialog running.
void Finish(PatchSink& sink, const char* path, bool wasReadOnly, DWORD attributes) {
    sink.Enable(IDC_BANNER);
    sink.Pause(900);
    sink.Enable(IDOK);
    if (wasReadOnly) plat::SetFileAttributesA(path, attributes);
}

}  // namespace

void RunPatchSequence(PatchSink& sink) {
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    plat::GetVersionExA(&version);

    char buffer[MAX_PATH];
    bool pathFits;
    switch (version.dwPlatformId) {
        case VER_PLATFORM_WIN32s:
            sink.Message(kWin31Text, kWin31Caption);
            [[fallthrough]];
        case VER_PLATFORM_WIN32_WINDOWS:
            pathFits = BuildHostsPath(buffer, plat::GetWindowsDirectoryA, "\\hosts");
            break;
        case VER_PLATFORM_WIN32_NT:
            pathFits = BuildHostsPath(buffer, plat::GetSystemDirectoryA, "\\drivers\\etc\\hosts");
            break;
        default:
            sink.Message(kUnknownText, kUnknownCaption);
            sink.End(0);
            return;
    }
    // A path that could not be built names no file: not found, and it cannot be created.
    const char* path = pathFits ? buffer : nullptr;

    sink.SetStatus(IDC_SEARCH_LINE, kSearching);
    sink.Pause(900);
    DWORD attributes = path ? plat::GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    bool wasReadOnly = false;
    bool missing = attributes == INVALID_FILE_ATTRIBUTES;
    if (missing) {
        sink.SetStatus(IDC_SEARCH_LINE, kNotFound);
        sink.Pause(600);
        sink.SetStatus(IDC_CHECK_LINE, kCreating);
        sink.Pause(900);
        sink.SetStatus(IDC_CHECK_LINE, kCreated);
        sink.Pause(600);
    } else {
        sink.SetStatus(IDC_SEARCH_LINE, kFound);
        sink.Pause(600);
        if (attributes & kReadOnly) {
            wasReadOnly = true;
            if (!plat::SetFileAttributesA(path, attributes & ~kReadOnly)) {
                sink.SetStatus(IDC_CHECK_LINE, kAttributeError);
                sink.Enable(IDOK);
                return;
            }
        }
        sink.SetStatus(IDC_CHECK_LINE, kChecking);
        sink.Pause(900);
    }
    // The check and the append under one lock; a file that was missing is checked too, since
    // another remover may have created it with the entry in the meantime.
    plat::NamedLock lock(kLockName);
    bool found = HoldsAdvertEntry(path);
    if (!missing) {
        sink.SetStatus(IDC_CHECK_LINE, kChecked);
        sink.Pause(600);
    }
    if (found) {
        lock.Unlock();
        sink.SetStatus(IDC_RESULT_LINE, kAlreadyRemoved);
        sink.Pause(600);
        sink.SetStatus(IDC_VISIT_LINE, kVisit);
        sink.Pause(900);
        Finish(sink, path, wasReadOnly, attributes);
        return;
    }

    TextFile* stream = TextOpen(path, "a+t");
    if (stream) {
        sink.SetStatus(IDC_RESULT_LINE, kUpdating);
        bool written = TextPuts(AdvertHostEntryWrite, stream);
        // A write, flush or close that failed has put the file back; say so, not "done".
        bool closed = TextClose(stream);
        lock.Unlock();
        if (closed && written) {
            g_patched = 1;
            sink.Pause(900);
            sink.SetStatus(IDC_RESULT_LINE, kUpdated);
            sink.Pause(900);
            if (wasReadOnly) plat::SetFileAttributesA(path, attributes | kReadOnly);
            sink.SetStatus(IDC_SUCCESS_LINE, kRemoved);
            sink.Pause(600);
            sink.SetStatus(IDC_VISIT_LINE, kVisit);
            sink.Pause(900);
            sink.Enable(IDC_BANNER);
            sink.Pause(900);
            sink.Enable(IDOK);
            return;
        }
    }
    lock.Unlock();
    sink.SetStatus(IDC_RESULT_LINE, kOpenError);
    sink.Pause(900);
    Finish(sink, path, wasReadOnly, attributes);
}
