#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/faults.h"
#include "platform/file.h"
#include "platform/file_replace_pieces.h"
#include "platform/posix_path.h"

namespace plat {
namespace {

// The new file gets what the old one had; without one, what a plain create would give.
// A hosts file left at mkstemp's 0600 would stop every other user's name lookups.
bool KeepModeAndOwner(int fd, bool existed, const struct stat& old) {
    if (FaultFires(Fault::SetAttributes)) return false;
    mode_t mode;
    if (existed) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (existed && geteuid() == 0 && fchown(fd, old.st_uid, old.st_gid) != 0) return false;
    return fchmod(fd, mode) == 0;
}

// The file to replace, behind a link if path is one, and what it is now (*existed false: it is
// not there, and will be created). Refused as the contract says.
RewriteResult FindTarget(const char* path, char (&native)[PATH_MAX], struct stat* old,
                         bool* existed) {
    if (!path || !PosixPath(path, native, sizeof native)) return RewriteRefused;
    *existed = lstat(native, old) == 0;
    if (!*existed) return RewriteOk;
    char behind[PATH_MAX];
    if (S_ISLNK(old->st_mode)) {
        // The link stays a link: the new file takes the place of the one it leads to.
        if (!realpath(native, behind) || lstat(behind, old) != 0) return RewriteRefused;
        strcpy(native, behind);
    }
    // Another name of the file would keep the old bytes: no rename can give them both the new
    // ones at once.
    if (!S_ISREG(old->st_mode) || old->st_nlink > 1) return RewriteRefused;
    // Refused when opening it for writing would be, read-only even to root; the probe neither
    // truncates nor writes.
    FILE* probe = OpenFile(native, "r+b");
    if (!probe) return RewriteRefused;
    fclose(probe);
    return RewriteOk;
}

}  // namespace

RewriteResult RewriteFile(const char* path, const FilePiece* pieces, int count) {
    RunRewriteHook();
    char native[PATH_MAX];
    struct stat old {};
    bool existed;
    RewriteResult result = FindTarget(path, native, &old, &existed);
    if (result != RewriteOk) return result;

    static const char kSuffix[] = ".XXXXXX";
    char temp[PATH_MAX];
    size_t length = strlen(native);
    if (length + sizeof kSuffix > sizeof temp) return RewriteNoTemp;
    memcpy(temp, native, length);
    memcpy(temp + length, kSuffix, sizeof kSuffix);
    int fd = mkstemp(temp);
    if (fd < 0) return RewriteNoTemp;
    FILE* stream = fdopen(fd, "wb");
    if (!stream) {
        close(fd);
        unlink(temp);
        return RewriteNoTemp;
    }

    result = WritePieces(stream, pieces, count);
    if (result == RewriteOk && !KeepModeAndOwner(fd, existed, old)) {
        result = RewriteAttributesFailed;
    }
    bool closed = fclose(stream) == 0;
    if (FaultFires(Fault::Close)) closed = false;
    if (result == RewriteOk && !closed) result = RewriteCloseFailed;
    if (result == RewriteOk && (FaultFires(Fault::Replace) || rename(temp, native) != 0)) {
        result = RewriteReplaceFailed;
    }
    if (result != RewriteOk) unlink(temp);
    return result;
}

}  // namespace plat
