#include "remover/hosts_line.h"

bool ReadHostsLine(TextFile* stream, char* buffer, int size) {
    int stored = 0;
    while (stored < size - 1) {
        int c = TextGetc(stream);
        if (TextEof(stream) || c == '\n') break;
        buffer[stored++] = static_cast<char>(c);
    }
    // A buffer of no bytes has no room even for the terminator.
    if (size > 0) buffer[stored] = 0;
    return !(TextEof(stream) && stored == 0);
}
