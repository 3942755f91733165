#ifndef QUORVEL_PLATFORM_POSIX_PATH_H
#define QUORVEL_PLATFORM_POSIX_PATH_H

#include <cstddef>

namespace plat {

// A Windows-style path with '\' separators as a Linux path; false if it does not fit.
bool PosixPath(const char* path, char* out, size_t capacity);

}  // namespace plat

#endif
