#include "platform/file.h"

#include <io.h>
#include <windows.h>

#include <cerrno>

#include "platform/faults.h"

namespace plat {

// The runtime already refuses folders and read-only files; a device or a pipe, which could
// block a reader or never end, is refused once open.
FILE* OpenFile(const char* path, const char* mode) {
    FILE* file = path ? fopen(path, mode) : nullptr;
    if (file &&
        GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        fclose(file);
        errno = EACCES;
        return nullptr;
    }
    return file;
}

bool RemoveFile(const char* path) {
    return DeleteFileA(path) != FALSE;
}

bool TruncateFile(FILE* file, long length) {
    return !FaultFires(Fault::Truncate) && fflush(file) == 0 && _chsize(_fileno(file), length) == 0;
}

bool FlushToDisk(FILE* file) {
    return !FaultFires(Fault::Flush) && fflush(file) == 0 &&
           FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
}

}  // namespace plat
