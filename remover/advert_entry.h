#ifndef QUORVEL_REMOVER_ADVERT_ENTRY_H
#define QUORVEL_REMOVER_ADVERT_ENTRY_H

#include "build_config.h"

// The redirection line: "0.0.0.0", nine blanks, the advert host name. It is matched as a
// whole line, and appended in text mode with a line break before and after it, so that on
// disk it reads CR LF, the line, CR LF.
#define ADVERT_HOST_ENTRY "0.0.0.0         " QUORVEL_ADVERT_HOST

inline constexpr char AdvertHostEntry[] = ADVERT_HOST_ENTRY;
inline constexpr char AdvertHostEntryWrite[] = "\n" ADVERT_HOST_ENTRY "\n";

#endif
