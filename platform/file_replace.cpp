#include "platform/file.h"
#include "platform/file_replace_pieces.h"

namespace plat {

RewriteResult WritePieces(FILE* stream, const FilePiece* pieces, int count) {
    for (int i = 0; i < count; ++i) {
        if (pieces[i].length > 0 && !WriteBytes(stream, pieces[i].bytes, pieces[i].length)) {
            return RewriteWriteFailed;
        }
    }
    return FlushToDisk(stream) ? RewriteOk : RewriteFlushFailed;
}

}  // namespace plat
