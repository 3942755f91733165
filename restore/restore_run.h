#ifndef QUORVEL_RESTORE_RESTORE_RUN_H
#define QUORVEL_RESTORE_RESTORE_RUN_H

// The restore tool's one pass: locate the hosts file, read it whole, find the advert host's
// line, ask, read it again, write it back without that line (or without the name alone, where
// the line names other hosts too), and say how it went. It talks to the user only through
// message boxes, so the same pass runs in the Windows program, in the console driver and in
// tests.

#include "platform/system.h"

class RestoreSink {
  public:
    // A message box without an owner window; the result is what MessageBoxA would give.
    virtual int Message(const char* text, const char* caption, unsigned style) = 0;

  protected:
    ~RestoreSink() = default;
};

void RunRestore(RestoreSink& sink);

#endif
