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

}  // namespace

RewriteResult RewriteFile(const char* path, const FilePiece* pieces, int count) {
    RunRewriteHook();
    char native[PATH_MAX];
    if (!path || !PosixPath(path, native, sizeof native)) return RewriteRefused;

    struct stat old {};
    bool existed = lstat(native, &old) == 0;
    char behind[PATH_MAX];
    if (existed && S_ISLNK(old.st_mode)) {
        // The link stays a link: the new file takes the place of the one it leads to.
        if (!realpath(native, behind) || lstat(behind, &old) != 0) return RewriteRefused;
        strcpy(native, behind);
    }
    if (existed) {
        // Another name of the file would keep the old bytes: no rename can give them both
        // the new ones at once.
        if (!S_ISREG(old.st_mode) || old.st_nlink > 1) return RewriteRefused;
        // Refused when opening it for writing would be, read-only even to root; the probe
        // neither truncates nor writes.
        FILE* probe = OpenFile(native, "r+b");
        if (!probe) return RewriteRefused;
        fclose(probe);
    }

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

    RewriteResult result = WritePieces(stream, pieces, count);
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
