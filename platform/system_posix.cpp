#include "platform/system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/faults.h"
#include "platform/posix_path.h"

namespace plat {

// The read-only attribute is the absence of every write permission bit; every other file
// carries the archive bit, as files on Windows usually do.
DWORD GetFileAttributesA(const char* path) {
    char native[PATH_MAX];
    struct stat info;
    if (!path || !PosixPath(path, native, sizeof native) || stat(native, &info) != 0) {
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

BOOL SetFileAttributesA(const char* path, DWORD attributes) {
    char native[PATH_MAX];
    struct stat info;
    if (!path || !PosixPath(path, native, sizeof native) || stat(native, &info) != 0) return FALSE;
    if (FaultFires(Fault::SetAttributes)) return FALSE;
    mode_t mode = info.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)
                                                  : mode | S_IWUSR;
    return chmod(native, mode) == 0 ? TRUE : FALSE;
}

NamedLock::NamedLock(const char* name) {
    char path[PATH_MAX];
    if (snprintf(path, sizeof path, "/tmp/%s.lock", name) >= static_cast<int>(sizeof path)) return;
    // Another user's lock file may be opened but, in a sticky folder, not with O_CREAT.
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) fd = open(path, O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    int locked;
    while ((locked = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
        close(fd);
        return;
    }
    handle_ = fd;
    held_ = true;
}

void NamedLock::Unlock() {
    if (!held_) return;
    close(static_cast<int>(handle_));
    held_ = false;
}

}  // namespace plat
