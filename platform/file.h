#ifndef QUORVEL_PLATFORM_FILE_H
#define QUORVEL_PLATFORM_FILE_H

#include <cstddef>
#include <cstdio>

namespace plat {

// fopen with Windows manners on every system: '\' separates folders, a folder cannot be
// opened as a file, and a file with the read-only attribute cannot be opened for writing,
// not even by an administrator (on Linux: not even by root). Only a plain file is opened,
// without waiting: a pipe or a device is refused (errno EACCES); a missing file or folder
// gives ENOENT or ENOTDIR.
FILE* OpenFile(const char* path, const char* mode);

// Deletes a file; false if it could not be deleted.
bool RemoveFile(const char* path);

// Cuts an open file to `length` bytes (buffered writes are flushed first).
bool TruncateFile(FILE* file, long length);

// fwrite of all the bytes, false if any is not written. A forced Write failure writes half
// of them first, as a full disk would.
bool WriteBytes(FILE* file, const void* bytes, size_t count);

// The stream's buffer to the file and the file's bytes to the disk; false if either fails.
bool FlushToDisk(FILE* file);

// The whole of an untranslated stream, from its start, in one block of malloc's that the caller
// frees (null for an empty file). A file that shrank since its size was taken gives only the
// bytes it still had. False, with nothing held, when its size cannot be had (a file of 2 GiB
// or more, on Windows), no memory can be had for it, or the read fails.
bool ReadAll(FILE* file, char** bytes, long* size);

}  // namespace plat

#endif
