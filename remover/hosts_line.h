#ifndef QUORVEL_REMOVER_HOSTS_LINE_H
#define QUORVEL_REMOVER_HOSTS_LINE_H

#include "platform/text_file.h"

// Reads one line of at most size - 1 characters into buffer, without its line feed, and
// zero-terminates it. A longer line comes back in pieces; the last line needs no line feed.
// False once the data has ended and nothing was read. Only the end of the data is watched:
// a read error ends the data (and so the scan) too.
bool ReadHostsLine(TextFile* stream, char* buffer, int size);

#endif
