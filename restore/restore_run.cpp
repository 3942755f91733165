#include "restore/restore_run.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/file.h"
#include "platform/file_replace.h"
#include "restore/entry_cut.h"

namespace {

constexpr char kCaption[] = "Vantrel";
constexpr char kNothingToRestore[] =
    "Adverts has not been removed.\nSo there is nothing to restore.";
constexpr char kConfirm[] = "Are you sure you want to restore those annoying msn adverts?";
constexpr char kRestored[] = "Adverts has ben restored!";
constexpr char kRewriteError[] = "Error rewriting host file!";

// Bit 31 of the version marks Windows 95/98/Me and Win32s, which keep hosts in the Windows
// folder. False when the folder is unknown or the whole path does not fit in MAX_PATH.
bool BuildHostsPath(char (&path)[MAX_PATH]) {
    bool windows9x = (plat::GetVersion() & 0x80000000u) != 0;
    const char* file = windows9x ? "\\hosts" : "\\drivers\\etc\\hosts";
    UINT length = windows9x ? plat::GetWindowsDirectoryA(path, MAX_PATH)
                            : plat::GetSystemDirectoryA(path, MAX_PATH);
    size_t fileLength = strlen(file);
    // 0 is a failed query; MAX_PATH or more is the size a longer folder would need.
    if (length == 0 || length >= MAX_PATH || length + fileLength >= MAX_PATH) return false;
    memcpy(path + length, file, fileLength + 1);
    return true;
}

// The hosts file as read, untranslated, and where its entry is; bytes is null when there is
// nothing to search (an empty file).
struct HostsImage {
    enum State { Missing, Unreadable, Read } state;
    char* bytes;
    long size;
    long match;
};

HostsImage ReadHostsImage(const char* path) {
    HostsImage image = {HostsImage::Read, nullptr, 0, kNoMatch};
    FILE* stream = plat::OpenFile(path, "rb");
    if (!stream) {
        // Only a file or folder that is not there is silent; one that is there but cannot be
        // opened (a folder, a pipe, no access to it or to its folder) is a failure to tell.
        bool missing = errno == ENOENT || errno == ENOTDIR;
        image.state = missing ? HostsImage::Missing : HostsImage::Unreadable;
        return image;
    }
    // A file not read whole is no file without the entry: writing back part of it would lose
    // the rest, and saying there is nothing to restore would not be true.
    if (plat::ReadAll(stream, &image.bytes, &image.size)) {
        image.match = FindAdvertHost(image.bytes, image.size);
    } else {
        image.state = HostsImage::Unreadable;
    }
    // Closed before any message: the file is never held open across the question.
    fclose(stream);
    return image;
}

// The file without the entry's line, or without the advert host where the line names others
// too; false if it could not be rewritten.
bool Rewrite(const char* path, HostsImage& image) {
    long size = CutAdvertHost(image.bytes, image.size, image.match);
    plat::FilePiece piece = {image.bytes, static_cast<size_t>(size)};
    return plat::RewriteFile(path, &piece, 1) == plat::RewriteOk;
}

}  // namespace

void RunRestore(RestoreSink& sink) {
    char path[MAX_PATH];
    // A path that does not fit names no file that could be opened.
    if (!BuildHostsPath(path)) return;
    HostsImage image = ReadHostsImage(path);
    if (image.state == HostsImage::Missing) return;
    bool rewritten = false;
    if (image.state == HostsImage::Read && image.match != kNoMatch) {
        if (sink.Message(kConfirm, kCaption, MB_ICONQUESTION | MB_YESNO) != IDYES) {
            free(image.bytes);
            return;
        }
        // The question may have stood open for minutes: what an editor or another tool wrote
        // meanwhile must not be lost, so the cut is made on what the file holds now. The lock
        // keeps a remover from appending between this read and the replace; it is given back
        // before the next box, which may stand open for minutes too.
        plat::NamedLock lock(plat::kHostsLockName);
        free(image.bytes);
        image = ReadHostsImage(path);
        if (image.state == HostsImage::Read && image.match != kNoMatch) {
            rewritten = Rewrite(path, image);
        }
    }
    if (image.state == HostsImage::Unreadable || (image.match != kNoMatch && !rewritten)) {
        sink.Message(kRewriteError, kCaption, MB_ICONWARNING);
    } else if (image.match == kNoMatch) {
        sink.Message(kNothingToRestore, kCaption, MB_ICONINFORMATION);
    } else {
        sink.Message(kRestored, kCaption, MB_ICONINFORMATION);
    }
    free(image.bytes);
}
