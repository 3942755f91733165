#ifndef QUORVEL_PLATFORM_TEXT_FILE_H
#define QUORVEL_PLATFORM_TEXT_FILE_H

// Streams in the Windows runtime's text mode, done here over untranslated streams so that
// the bytes on disk are the same whatever runtime is underneath (Wine's, for one, does not
// cut a final Ctrl-Z when appending):
//   "rtz"  read: CR LF reaches the reader as LF, a CR not followed by LF unchanged; end of
//          file is a state, so 0xFF is an ordinary character. A Ctrl-Z (0x1A) that is the
//          file's last byte is not read, as an append would cut it; any other is an ordinary
//          character (the runtime's "rt" would end the data at the first one). A UTF-8
//          byte-order mark that starts the file is not read either.
//   "a+t"  append: the file is created if missing, other readers and writers are allowed;
//          one final Ctrl-Z is cut at open; every write goes to the end; LF becomes CR LF.
//          A file that starts with a UTF-16 byte-order mark (FF FE or FE FF) is refused.
// Unlike the runtime, an append whose open, write, flush or close fails puts the file back as
// it was before the open (its Ctrl-Z included; a file the open created is removed), so a
// failure never leaves half a line, or an empty file, behind.

struct TextFile;

// Null when the file cannot be opened (or the path is null, or the mode is neither).
TextFile* TextOpen(const char* path, const char* mode);

// The next character as an unsigned char value, or -1 once the data has ended; a read
// error ends the data too.
int TextGetc(TextFile* file);
bool TextEof(const TextFile* file);

// Appends the text; false if any byte could not be written.
bool TextPuts(const char* text, TextFile* file);

// Closes the stream; for an append, false (and the file as it was) if a write, the flush
// or the close failed.
bool TextClose(TextFile* file);

#endif
