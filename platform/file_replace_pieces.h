#ifndef QUORVEL_PLATFORM_FILE_REPLACE_PIECES_H
#define QUORVEL_PLATFORM_FILE_REPLACE_PIECES_H

// Inside the platform layer only: what both systems' RewriteFile share.

#include <cstdio>

#include "platform/file_replace.h"

namespace plat {

// The pieces into the open temporary file, flushed to disk, since renaming a file whose bytes
// are still in a cache can leave an empty file after a crash.
RewriteResult WritePieces(FILE* stream, const FilePiece* pieces, int count);

}  // namespace plat

#endif
