#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/faults.h"
#include "platform/posix_path.h"

namespace plat {

namespace {

// Only a plain file: a pipe or a device could block a reader or writer, or never end; and
// Windows refuses a read-only file for writing even to an administrator (root, here).
bool MayOpen(const struct stat& info, bool writes) {
    if (S_ISREG(info.st_mode) && !(writes && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)) {
        return true;
    }
    errno = EACCES;
    return false;
}

}  // namespace

bool PosixPath(const char* path, char* out, size_t capacity) {
    size_t i = 0;
    for (; path[i]; ++i) {
        if (i + 1 >= capacity) return false;
        out[i] = path[i] == '\\' ? '/' : path[i];
    }
    if (capacity == 0) return false;
    out[i] = 0;
    return true;
}

FILE* OpenFile(const char* path, const char* mode) {
    char native[PATH_MAX];
    if (!path || !PosixPath(path, native, sizeof native)) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    bool writes = strpbrk(mode, "wa+") != nullptr;
    struct stat info;
    const bool existed = stat(native, &info) == 0;
    if (existed && !MayOpen(info, writes)) return nullptr;
    // Opened so that it cannot wait, and looked at again once open, for a path that changed
    // in between. A write mode's truncation waits for that look. A file this open made is
    // ours to write, whatever mode the umask gave it.
    int flags = strchr(mode, '+') ? O_RDWR : mode[0] == 'r' ? O_RDONLY : O_WRONLY;
    if (mode[0] != 'r') flags |= O_CREAT;
    if (mode[0] == 'a') flags |= O_APPEND;
    int fd = open(native, flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    FILE* file = nullptr;
    if (fstat(fd, &info) == 0 && MayOpen(info, writes && existed) &&
        (mode[0] != 'w' || ftruncate(fd, 0) == 0)) {
        file = fdopen(fd, mode);
    }
    if (!file) {
        int error = errno;
        close(fd);
        errno = error;
    }
    return file;
}

bool RemoveFile(const char* path) {
    char native[PATH_MAX];
    return path && PosixPath(path, native, sizeof native) && unlink(native) == 0;
}

bool TruncateFile(FILE* file, long length) {
    return !FaultFires(Fault::Truncate) && fflush(file) == 0 &&
           ftruncate(fileno(file), length) == 0;
}

bool FlushToDisk(FILE* file) {
    return !FaultFires(Fault::Flush) && fflush(file) == 0 && fsync(fileno(file)) == 0;
}

}  // namespace plat
