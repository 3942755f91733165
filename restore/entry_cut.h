#ifndef QUORVEL_RESTORE_ENTRY_CUT_H
#define QUORVEL_RESTORE_ENTRY_CUT_H

// Finding the line of the advert host in the raw bytes of a hosts file, and the cut that
// takes it out again. Pure: no platform calls, and no byte outside image[0, n) is touched.

constexpr long kNoMatch = -1;

// The position of the advert host name in the line to cut, or kNoMatch. A line ends at CR LF,
// at a lone LF, at a lone CR or at the end of the data; a Ctrl-Z that is the last byte belongs
// to no line, nor does a UTF-8 byte-order mark that starts the file: the data starts after it.
// The first line that is the remover's entry byte for byte, as the remover reads and writes
// lines (starting the data or after an LF, and not ended by a lone CR), is taken; else the
// first line in which the name stands as a whole host name of an entry (never the first field,
// never in a comment, never inside a longer name), its letters compared without regard to case
// (only A-Z fold to a-z).
long FindAdvertHost(const char* image, long n);

// What is written back: image[0, headLength), then image[tailStart, n). A head length of 0
// writes no head; a tail start of n or more writes no tail.
struct EntryCut {
    long headLength;
    long tailStart;
};

// The cut for a match at m: the line holding it goes with its line end, and so does the empty
// CR LF line directly before it, and each further one that starts the data or follows an LF;
// every other byte stays. A match outside the data cuts nothing.
EntryCut CutEntryLine(const char* image, long n, long m);

// The cut for a match at m, made in image itself; the image's new length. A line that names
// other hosts too loses only the advert host: each copy of it among the names (the fields
// after the address, before any '#'), each with the blanks directly before it. A line whose
// names are all the advert host goes whole, as CutEntryLine says.
long CutAdvertHost(char* image, long n, long m);

#endif
