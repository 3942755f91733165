#include "platform/file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/faults.h"
#include "platform/posix_path.h"

namespace plat {

FILE* OpenFile(const char* path, const char* mode) {
    char native[PATH_MAX];
    if (!path || !PosixPath(path, native, sizeof native)) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    struct stat info;
    if (stat(native, &info) == 0) {
        bool writes = strpbrk(mode, "wa+") != nullptr;
        // Root may write anywhere; Windows refuses a read-only file to everyone.
        if (S_ISDIR(info.st_mode) ||
            (writes && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)) {
            errno = EACCES;
            return nullptr;
        }
    }
    return fopen(native, mode);
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
