#include "restore/entry_cut.h"

#include "build_config.h"

namespace {

constexpr char kAdvertHost[] = QUORVEL_ADVERT_HOST;
constexpr long kHostLength = sizeof kAdvertHost - 1;
static_assert(kHostLength > 0, "the advert host name must not be empty");

// ASCII letters only: the name must match the same bytes whatever the user's code page.
unsigned char FoldCase(char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

}  // namespace

long FindAdvertHost(const char* image, long n) {
    for (long m = 0; m <= n - kHostLength; ++m) {
        long i = 0;
        while (i < kHostLength && FoldCase(image[m + i]) == FoldCase(kAdvertHost[i])) ++i;
        if (i == kHostLength) return m;
    }
    return kNoMatch;
}

EntryCut CutEntryLine(const char* image, long n, long m) {
    if (m < 0 || m >= n) return {n, n};

    long start = m;
    while (start > 0 && image[start - 1] != '\n') --start;
    // The remover puts a line break before its line; on a file that ended in one that makes
    // a blank CR LF line, and taking it too gives the user back the file they had.
    while (start >= 2 && image[start - 1] == '\n' && image[start - 2] == '\r' &&
           (start == 2 || image[start - 3] == '\n')) {
        start -= 2;
    }

    long end = m;
    while (end < n && image[end] != '\n') ++end;
    if (end < n) ++end;
    return {start, end};
}
