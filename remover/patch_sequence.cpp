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

static_assert(sizeof AdvertHostEntry < 256, "the entry must fit in one piece of a line");

// True when a whole line of the file is the entry. The reader hands a long line back in
// pieces, so a piece counts only if it starts its line; and its length is found from the
// terminator it leaves, since a zero byte inside the line would end a string too early.
// Unlike the runtime's text mode, a Ctrl-Z does not end the data: an entry appended
// behind one must be seen, or every run appends it again. A final one belongs to no line,
// since an append would cut it.
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

// What the phases learn of the hosts file on their way.
struct HostsFile {
    const char* path;  // null when no path could be built: not found, and never created
    DWORD attributes;
    bool missing;
    bool wasReadOnly;

    void PutBackAttributes() const {
        if (wasReadOnly) plat::SetFileAttributesA(path, attributes);
    }
};

enum class Ending { AttributeError, AlreadyRemoved, Appended, OpenError };

// The path for the running family. False for an unknown family: the dialog has been ended,
// and nothing else may happen.
bool FindHostsPath(PatchSink& sink, char (&buffer)[MAX_PATH], const char** path) {
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    plat::GetVersionExA(&version);
    bool fits;
    switch (version.dwPlatformId) {
        case VER_PLATFORM_WIN32s:
            sink.Message(kWin31Text, kWin31Caption);
            [[fallthrough]];
        case VER_PLATFORM_WIN32_WINDOWS:
            fits = BuildHostsPath(buffer, plat::GetWindowsDirectoryA, "\\hosts");
            break;
        case VER_PLATFORM_WIN32_NT:
            fits = BuildHostsPath(buffer, plat::GetSystemDirectoryA, "\\drivers\\etc\\hosts");
            break;
        default:
            sink.Message(kUnknownText, kUnknownCaption);
            sink.End(0);
            return false;
    }
    *path = fits ? buffer : nullptr;
    return true;
}

// Whether the file is there, and writable for the time of the write. False when its
// read-only attribute could not be cleared.
bool FindFile(PatchSink& sink, HostsFile& file) {
    sink.SetStatus(IDC_SEARCH_LINE, kSearching);
    sink.Pause(900);
    file.attributes = file.path ? plat::GetFileAttributesA(file.path) : INVALID_FILE_ATTRIBUTES;
    file.missing = file.attributes == INVALID_FILE_ATTRIBUTES;
    if (file.missing) {
        sink.SetStatus(IDC_SEARCH_LINE, kNotFound);
        sink.Pause(600);
        sink.SetStatus(IDC_CHECK_LINE, kCreating);
        sink.Pause(900);
        sink.SetStatus(IDC_CHECK_LINE, kCreated);
        sink.Pause(600);
        return true;
    }
    sink.SetStatus(IDC_SEARCH_LINE, kFound);
    sink.Pause(600);
    if (file.attributes & kReadOnly) {
        file.wasReadOnly = true;
        if (!plat::SetFileAttributesA(file.path, file.attributes & ~kReadOnly)) return false;
    }
    sink.SetStatus(IDC_CHECK_LINE, kChecking);
    sink.Pause(900);
    return true;
}

// Under the lock: whether a whole line is the entry. A file that was missing is checked too,
// since another remover may have created it with the entry in the meantime.
bool CheckForEntry(PatchSink& sink, const HostsFile& file) {
    bool found = HoldsAdvertEntry(file.path);
    if (!file.missing) {
        sink.SetStatus(IDC_CHECK_LINE, kChecked);
        sink.Pause(600);
    }
    return found;
}

// Under the lock: the entry appended. False when the file could not be opened, or a write,
// flush or close failed and the file has been put back as it was.
bool Append(PatchSink& sink, const HostsFile& file) {
    TextFile* stream = TextOpen(file.path, "a+t");
    if (!stream) return false;
    sink.SetStatus(IDC_RESULT_LINE, kUpdating);
    bool written = TextPuts(AdvertHostEntryWrite, stream);
    if (!TextClose(stream) || !written) return false;
    g_patched = 1;
    return true;
}

// The one ending of every phase: its status lines, then the banner and OK enabled (except
// after an attribute error) and the read-only attribute put back.
void Finish(PatchSink& sink, const HostsFile& file, Ending ending) {
    switch (ending) {
        case Ending::AttributeError:
            sink.SetStatus(IDC_CHECK_LINE, kAttributeError);
            sink.Enable(IDOK);
            return;
        case Ending::AlreadyRemoved:
            sink.SetStatus(IDC_RESULT_LINE, kAlreadyRemoved);
            sink.Pause(600);
            sink.SetStatus(IDC_VISIT_LINE, kVisit);
            sink.Pause(900);
            break;
        case Ending::Appended:
            sink.Pause(900);
            sink.SetStatus(IDC_RESULT_LINE, kUpdated);
            sink.Pause(900);
            file.PutBackAttributes();
            sink.SetStatus(IDC_SUCCESS_LINE, kRemoved);
            sink.Pause(600);
            sink.SetStatus(IDC_VISIT_LINE, kVisit);
            sink.Pause(900);
            break;
        case Ending::OpenError:
            sink.SetStatus(IDC_RESULT_LINE, kOpenError);
            sink.Pause(900);
            break;
    }
    sink.Enable(IDC_BANNER);
    sink.Pause(900);
    sink.Enable(IDOK);
    if (ending != Ending::Appended) file.PutBackAttributes();
}

}  // namespace

void RunPatchSequence(PatchSink& sink) {
    char buffer[MAX_PATH];
    HostsFile file = {};
    if (!FindHostsPath(sink, buffer, &file.path)) return;
    if (!FindFile(sink, file)) return Finish(sink, file, Ending::AttributeError);
    plat::NamedLock lock(plat::kHostsLockName);
    Ending ending = CheckForEntry(sink, file) ? Ending::AlreadyRemoved
                    : Append(sink, file)      ? Ending::Appended
                                              : Ending::OpenError;
    lock.Unlock();
    Finish(sink, file, ending);
}
