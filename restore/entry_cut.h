#ifndef QUORVEL_RESTORE_ENTRY_CUT_H
#define QUORVEL_RESTORE_ENTRY_CUT_H

// Finding the line of the advert host in the raw bytes of a hosts file, and the cut that
// takes it out again. Pure: no platform calls, and no byte outside image[0, n) is read.

constexpr long kNoMatch = -1;

// The position of the advert host name in the line to cut, or kNoMatch. A line's content is
// its bytes before its LF (or the end of the file), less one CR at their end. The first line
// whose content is the remover's entry is taken; else the first line in which the name stands
// as a whole host name of an entry (never the first field, never in a comment, never inside a
// longer name). Letters compare without regard to case (only A-Z fold to a-z).
long FindAdvertHost(const char* image, long n);

// What is written back: image[0, headLength), then image[tailStart, n). A head length of 0
// writes no head; a tail start of n or more writes no tail.
struct EntryCut {
    long headLength;
    long tailStart;
};

// The cut for a match at m: the line holding it goes with its line end, and so do the blank
// lines ending in CR LF directly before it; every other byte stays. Lines end at LF, alone or
// after a CR; a CR not followed by LF is a character of its line, as the remover reads it.
// A match outside the image cuts nothing.
EntryCut CutEntryLine(const char* image, long n, long m);

#endif
