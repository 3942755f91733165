#ifndef QUORVEL_PLATFORM_FILE_H
#define QUORVEL_PLATFORM_FILE_H

#include <cstdio>

namespace plat {

// fopen with Windows manners on every system: '\' separates folders, a folder cannot be
// opened as a file, and a file with the read-only attribute cannot be opened for writing,
// not even by an administrator (on Linux: not even by root).
FILE* OpenFile(const char* path, const char* mode);

// Cuts an open file to `length` bytes (buffered writes are flushed first).
bool TruncateFile(FILE* file, long length);

}  // namespace plat

#endif
