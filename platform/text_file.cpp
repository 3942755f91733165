#include "platform/text_file.h"

#include <cstdlib>
#include <cstring>

#include "platform/faults.h"
#include "platform/file.h"
#include "platform/system.h"

namespace {

constexpr int kCtrlZ = 0x1A;
// Room for a path when an append has to be put back after its stream is gone.
constexpr size_t kPathCapacity = 1024;

}  // namespace

struct TextFile {
    FILE* stream;
    bool append;
    bool eof;           // reading: the data has ended
    bool failed;        // appending: a write or flush failed
    bool cutCtrlZ;      // appending: a final Ctrl-Z was cut at open
    bool created;       // appending: the open created the file
    long lengthAtOpen;  // appending: the file's length once the Ctrl-Z was cut; -1 until known
    char path[kPathCapacity];
};

namespace {

bool Seek(FILE* stream, long offset, int origin) {
    return !FaultFires(Fault::Seek) && fseek(stream, offset, origin) == 0;
}

// Where the data starts, the stream being at the file's start, and whether the file may be
// opened: a UTF-8 byte-order mark belongs to no line, so reading starts after it; a UTF-16 file
// is never appended to, since Windows reads hosts files as ANSI or UTF-8 and single-byte text
// would only damage it. An append seeks before it reads or writes.
bool StartData(FILE* stream, bool append) {
    unsigned char mark[3] = {};  // what a short file lacks stays 0, which no mark holds
    fread(mark, 1, 3, stream);
    // FF FE or FE FF: two different bytes, each FE or FF.
    if (append) return mark[0] == mark[1] || (mark[0] & mark[1]) < 0xFE;
    if (memcmp(mark, "\xEF\xBB\xBF", 3) != 0) rewind(stream);
    return true;
}

// Cuts one final Ctrl-Z, as the runtime does when it opens a file for appending. Every write
// seeks to the end first, so no seek is needed here once the cut is made.
bool PrepareAppend(TextFile* file) {
    if (!Seek(file->stream, 0, SEEK_END)) return false;
    long length = FaultFires(Fault::Tell) ? -1 : ftell(file->stream);
    if (length < 0) return false;
    file->lengthAtOpen = length;
    if (length == 0) return true;
    if (!Seek(file->stream, length - 1, SEEK_SET)) return false;
    if (getc(file->stream) != kCtrlZ) return true;
    if (!plat::TruncateFile(file->stream, length - 1)) return false;
    file->cutCtrlZ = true;
    file->lengthAtOpen = length - 1;
    return true;
}

// Puts an append that failed back to the bytes the file had before the open. Before its
// length is known nothing has been cut or written.
void UndoAppend(const TextFile* file) {
    if (file->created) {
        plat::RemoveFile(file->path);
        return;
    }
    if (file->lengthAtOpen < 0) return;
    FILE* stream = plat::OpenFile(file->path, "r+b");
    if (!stream) return;
    if (plat::TruncateFile(stream, file->lengthAtOpen) && file->cutCtrlZ &&
        fseek(stream, 0, SEEK_END) == 0) {
        putc(kCtrlZ, stream);
    }
    fclose(stream);
}

}  // namespace

TextFile* TextOpen(const char* path, const char* mode) {
    if (!path || !mode) return nullptr;
    bool append;
    if (strcmp(mode, "rtz") == 0) {
        append = false;
    } else if (strcmp(mode, "a+t") == 0) {
        append = true;
    } else {
        return nullptr;
    }
    size_t pathLength = strlen(path);
    if (pathLength >= kPathCapacity) return nullptr;

    bool existed = plat::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    FILE* stream = plat::OpenFile(path, append ? "a+b" : "rb");
    if (!stream) return nullptr;
    TextFile* file =
        StartData(stream, append) ? static_cast<TextFile*>(calloc(1, sizeof(TextFile))) : nullptr;
    if (!file) {
        fclose(stream);
        return nullptr;
    }
    file->stream = stream;
    file->append = append;
    file->lengthAtOpen = -1;
    memcpy(file->path, path, pathLength + 1);
    bool prepared = !append || PrepareAppend(file);
    // Empty as well: bytes found there belong to a writer that created it in the meantime.
    file->created = append && !existed && file->lengthAtOpen <= 0 && !file->cutCtrlZ;
    if (!prepared) {
        file->failed = true;
        TextClose(file);  // puts the file back as it was
        return nullptr;
    }
    return file;
}

int TextGetc(TextFile* file) {
    if (file->eof || file->append) return -1;
    int c = getc(file->stream);
    if (c == '\r' || c == kCtrlZ) {
        int next = getc(file->stream);
        if (c == '\r' && next == '\n') return '\n';
        ungetc(next, file->stream);  // does nothing with EOF
        // A Ctrl-Z that is the last byte is no character: an append would cut it.
        if (next == EOF && c == kCtrlZ) c = EOF;
    }
    if (c == EOF) {
        file->eof = true;
        return -1;
    }
    return c;
}

bool TextEof(const TextFile* file) {
    return file->eof;
}

bool TextPuts(const char* text, TextFile* file) {
    if (!file->append || file->failed) return false;
    if (!Seek(file->stream, 0, SEEK_END)) {
        file->failed = true;
        return false;
    }
    char chunk[256];
    size_t used = 0;
    for (const char* p = text; *p; ++p) {
        if (used + 2 > sizeof chunk) {
            if (!plat::WriteBytes(file->stream, chunk, used)) {
                file->failed = true;
                return false;
            }
            used = 0;
        }
        if (*p == '\n') chunk[used++] = '\r';
        chunk[used++] = *p;
    }
    if (used > 0 && !plat::WriteBytes(file->stream, chunk, used)) {
        file->failed = true;
        return false;
    }
    return true;
}

bool TextClose(TextFile* file) {
    if (!file) return false;
    if (file->append && !plat::FlushToDisk(file->stream)) {
        file->failed = true;
    }
    bool closed = fclose(file->stream) == 0;
    if (file->append && FaultFires(Fault::Close)) closed = false;
    bool ok = closed && !file->failed;
    if (file->append && !ok) UndoAppend(file);
    free(file);
    return ok;
}
