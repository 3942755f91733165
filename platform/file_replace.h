#ifndef QUORVEL_PLATFORM_FILE_REPLACE_H
#define QUORVEL_PLATFORM_FILE_REPLACE_H

#include <cstddef>

// Rewriting a file so that no failure can leave it half written or gone: the new bytes go to
// a temporary file in the same folder, which is flushed to disk and closed, and only then put
// in the old file's place, keeping the old file's attributes (on Linux its mode, and its owner
// when run by root; on Windows its security too, where the system can keep it). Under the
// file's name there is always either the complete old file or the complete new one, and on
// every failure the old one stays and no temporary file is left behind. A symbolic link stays:
// the file behind it is the one rewritten. A file with a second name (a hard link) is refused.

namespace plat {

struct FilePiece {
    const char* bytes;
    size_t length;
};

enum RewriteResult {
    RewriteOk = 0,
    RewriteRefused,           // may not be written: read-only, a folder, no access, two names
    RewriteNoTemp,            // no temporary file could be made beside it
    RewriteWriteFailed,       // writing the temporary file failed
    RewriteFlushFailed,       // flushing it to disk failed
    RewriteCloseFailed,       // closing it failed
    RewriteAttributesFailed,  // it could not take the old file's attributes
    RewriteReplaceFailed,     // it could not be put in the old file's place
};

// Gives the file at `path` ('\' or '/' separating folders) the bytes of the pieces, one
// after the other. A missing file is created. Refused, before anything is written, exactly
// when the file exists and could not be opened for writing.
RewriteResult RewriteFile(const char* path, const FilePiece* pieces, int count);

}  // namespace plat

#endif
